// What the benchmarks check their outputs with, streaming so that lists of gigabytes
// fit: files compared and counted by blocks, lines read one at a time and hashed, and
// the checks of outputs that differ from the peer's by design (a shuffle, a sublist, a
// sort that drops case variants, numbered parts). Each throws std::runtime_error when a
// file cannot be read.
#ifndef VANTOR_BENCH_CHECKS_H_
#define VANTOR_BENCH_CHECKS_H_

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantor::bench {

// ---------------------------------------------------------------------------------
// Files

std::uint64_t FileSize(const std::string& path);  // 0 when it cannot be read
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// The names of the files in `dir`, in byte order, without the directory.
std::vector<std::string> FileNamesIn(const std::string& dir);
// Deletes an output file, or everything in an output directory (which stays). An empty
// name stands for no output.
void RemoveOutput(const std::string& path);

struct FileComparison {
  bool identical = false;
  std::uint64_t linesA = 0;
  std::uint64_t linesB = 0;
  std::uint64_t firstDifferentLine = 0;  // 1-based; 0 when identical
};

// Compares two files byte for byte and counts their lines.
FileComparison CompareFiles(const std::string& a, const std::string& b);
std::uint64_t CountFileLines(const std::string& path);
// Line `number` (1-based) of `path`, for a mismatch report.
std::string LineOf(const std::string& path, std::uint64_t number);
// `n` with a comma between each group of three digits.
std::string Thousands(std::uint64_t n);

// Prints whether two outputs that should be the same bytes are.
bool ReportIdentical(const std::string& ours, const std::string& peer, const char* peerName);

// The line of vantor-cli's report that contains `word`, without its CR.
std::string ReportLine(const std::string& reportPath, std::string_view word);
// The number a report line starts with, if it does.
std::optional<std::uint64_t> LeadingNumber(const std::string& line);

// ---------------------------------------------------------------------------------
// Lines

// Reads a file one line at a time, through a buffer that grows to hold the longest line.
class LineReader {
 public:
  explicit LineReader(const std::string& path);

  // The next line, without its LF (a last line without one counts too); false at the
  // end of the file. The view lasts until the next call.
  bool Next(std::string_view* line);

 private:
  std::string path_;
  std::ifstream in_;
  std::vector<char> buffer_;
  std::size_t at_ = 0;
  std::size_t filled_ = 0;
  bool ended_ = false;
};

// A 64-bit hash of a line, or of its ASCII lower-case form.
std::uint64_t HashLine(std::string_view line, bool ignoreCase = false);

// What a list holds regardless of its order: two lists with the same lines, each as
// often, have the same signature, and two with different lines almost surely not.
struct LinesSignature {
  std::uint64_t lines = 0;
  std::uint64_t sum = 0;
  std::uint64_t sumOfMixed = 0;

  void Add(std::string_view line);
  bool operator==(const LinesSignature&) const = default;
};

// ---------------------------------------------------------------------------------
// Outputs that differ from the peer's by design

// The output of a sort that dropped duplicates ignoring ASCII letter case (`ours`)
// against sort -u's (`unique`), in two streaming passes: empty when ours is in
// ascending byte order with no two neighbours equal ignoring case, holds only lines of
// sort -u's output, and lacks only lines of it that it holds in another letter case;
// else the first thing wrong. `*oursLines` gets the count of ours's lines.
std::string CheckDedupedSort(const std::string& ours, const std::string& unique,
                             std::uint64_t* oursLines);

// The order of a shuffled list: how many lines stayed where the input has them, and how
// many stand above the line before them (half, in a random order).
struct ShuffleCheck {
  LinesSignature signature;
  std::uint64_t inPlace = 0;
  std::uint64_t ascending = 0;
};

// `output` as a shuffle of `input`; with `inputSignature`, the input's signature too.
ShuffleCheck CheckShuffle(const std::string& output, const std::string& input,
                          LinesSignature* inputSignature);

// The lines of a sublist by their hash, and how often the list holds each, counted while
// the list is read: a line taken more often than the list holds it is unaccounted for.
class SublistCheck {
 public:
  explicit SublistCheck(const std::string& path);
  // A line of the list; `firstHalf` when it stands in the list's first half.
  void See(std::uint64_t hash, bool firstHalf);
  std::uint64_t lines() const { return lines_; }
  // The lines of the sublist that the list does not account for.
  std::uint64_t Unaccounted() const;
  // The share of the sublist's lines, in percent, that stand in the list's first half:
  // a line the list holds k times, j of them in its first half, counts j/k.
  double FirstHalfPercent() const;

 private:
  struct Counts {
    std::uint64_t taken = 0;
    std::uint64_t inList = 0;
    std::uint64_t inFirstHalf = 0;
  };
  std::uint64_t lines_ = 0;
  std::unordered_map<std::uint64_t, Counts> counts_;
};

// Reads `list` (of `listLines` lines) once, showing each line to both sublist checks,
// and returns how many lines of `oursPath` stand in it in their order.
std::uint64_t SeeList(const std::string& list, std::uint64_t listLines, const std::string& oursPath,
                      SublistCheck* ours, SublistCheck* peer);

// The parts vantor-cli wrote into `dir` for the output name out.txt: out1.txt,
// out2.txt and so on, in order. Anything else in the directory is a problem.
std::vector<std::string> NumberedParts(const std::string& dir, std::string* problem);

// Whether `files`, one after the other, hold the bytes of `whole`; when not, `*problem`
// says where they part.
bool ConcatenationEquals(const std::vector<std::string>& files, const std::string& whole,
                         std::string* problem);

// Our parts against split's, part by part: empty when each pair is the same bytes and
// no part holds more than `maxLines` lines or `maxBytes` bytes (0: no limit), else the
// first thing wrong. The largest part's lines and bytes go to `*largestLines` and
// `*largestBytes`.
std::string CompareParts(const std::vector<std::string>& ours, const std::vector<std::string>& peer,
                         std::uint64_t maxLines, std::uint64_t maxBytes,
                         std::uint64_t* largestLines, std::uint64_t* largestBytes);

}  // namespace vantor::bench

#endif  // VANTOR_BENCH_CHECKS_H_
