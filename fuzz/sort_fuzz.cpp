// The sorts, with and without duplicates removed, against plain byte-string orders.
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "engine/line_store.h"
#include "engine/ordering.h"
#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

// The byte-string order: unsigned bytes from the start over the shorter length, a
// position where both hold a NUL ending the scan with no difference; then the shorter
// string first.
int PlainCompareBytes(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) break;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Where the domain of a line starts: its first '@', or 0 when it has none.
std::size_t DomainStart(std::string_view line) {
  const std::size_t at = line.find('@');
  return at == std::string_view::npos ? 0 : at;
}

std::string Lowered(std::string_view s) {
  std::string lowered(s);
  for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return lowered;
}

// Mode 0: the whole lines; mode 1: from the first '@' on, then the part before it. With
// `fold`, the lines in small letters first.
int PlainCompare(std::string_view a, std::string_view b, int mode, bool fold = false) {
  if (fold) {
    const int folded = PlainCompare(Lowered(a), Lowered(b), mode);
    if (folded != 0) return folded;
  }
  if (mode == 0) return PlainCompareBytes(a, b);
  const std::size_t ka = DomainStart(a);
  const std::size_t kb = DomainStart(b);
  const int domains = PlainCompareBytes(a.substr(ka), b.substr(kb));
  return domains != 0 ? domains : PlainCompareBytes(a.substr(0, ka), b.substr(0, kb));
}

int Sign(int value) { return (value > 0) - (value < 0); }

// The engine's comparator of `mode` on two lines, each copied into a buffer of exactly
// its bytes and an LF, so that the sanitizer sees any read past a record. The lines are
// not empty.
int EngineCompare(std::string_view a, std::string_view b, int mode, bool fold) {
  auto record = [mode](std::string_view line, std::unique_ptr<char[]>& bytes) {
    bytes.reset(new char[line.size() + 1]);
    std::memcpy(bytes.get(), line.data(), line.size());
    bytes[line.size()] = '\n';
    const std::int32_t key = mode == 1 ? static_cast<std::int32_t>(DomainStart(line)) : 0;
    return LineRecord{bytes.get(), key, static_cast<std::int32_t>(line.size())};
  };
  std::unique_ptr<char[]> aBytes;
  std::unique_ptr<char[]> bBytes;
  const LineRecord ra = record(a, aBytes);
  const LineRecord rb = record(b, bBytes);
  return ComparatorFor(static_cast<RearrangeMode>(mode), fold)(ra, rb);
}

// Whether two lines are duplicates: of one length, and equal when ASCII letters are
// compared without regard to case, a NUL that both hold ending the comparison early.
bool PlainSameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

// The same for all lines that are duplicates of each other, and only for them.
std::string DuplicateClass(std::string_view line) {
  std::string key = std::to_string(line.size()) + ":";
  for (char c : line) {
    key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (c == '\0') break;
  }
  return key;
}

// Header byte 3: bit 0 sorts by domain, bit 1 removes duplicates, bit 2 folds letter
// case.
std::string SortCase(const Input& in) {
  const int mode = in.header[3] & 1;
  const bool dedup = in.header[3] & 2;
  const bool fold = in.header[3] & 4;
  ProcessingJob job = ListJob();
  const std::string sizes = SetSortSizes(job, in);
  const std::string list = SortList(in, job);
  job.sortByEmail = mode == 0;
  job.sortByDomain = mode == 1;
  job.rearrangeMode = static_cast<RearrangeMode>(mode);
  job.removeDuplicates = dedup;
  job.foldCase = fold;
  const std::string where = "list " + Quoted(list) + (mode ? ", by domain" : ", by email") +
                            (fold ? " folding case" : "") +
                            (dedup ? " removing duplicates, " : ", ") + sizes + ": ";
  const Lines records = ReaderRecords(list, job.chunkSizes.list, false, nullptr);

  // The engine's comparator agrees with the plain order on neighbouring records.
  for (std::size_t i = 1; i < records.size(); ++i) {
    const int plain = Sign(PlainCompare(records[i - 1], records[i], mode, fold));
    const int engine = Sign(EngineCompare(records[i - 1], records[i], mode, fold));
    if (plain != engine) {
      return where + "the comparator gives " + std::to_string(engine) + " for " +
             Quoted(records[i - 1]) + " and " + Quoted(records[i]) + ", expected " +
             std::to_string(plain);
    }
  }

  Lines lines;
  std::string output;
  if (std::string error = RunOnList(job, list, &lines, &output); !error.empty()) {
    return where + error;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& a = lines[i - 1];
    const std::string& b = lines[i];
    if (a.empty() || b.empty()) return where + "an empty line in the output " + Quoted(output);
    const int plain = Sign(PlainCompare(a, b, mode, fold));
    const int engine = Sign(EngineCompare(a, b, mode, fold));
    if (plain != engine) {
      return where + "the comparator gives " + std::to_string(engine) + " for " + Quoted(a) +
             " and " + Quoted(b) + ", expected " + std::to_string(plain);
    }
    if (plain > 0) {
      return where + "lines " + std::to_string(i - 1) + " and " + std::to_string(i) +
             " out of order in " + Quoted(lines);
    }
    if (dedup && PlainSameIgnoringCase(a, b)) {
      return where + "duplicates " + Quoted(a) + " and " + Quoted(b) + " both kept in " +
             Quoted(lines);
    }
  }
  const Lines sortedIn = Sorted(records);
  const Lines sortedOut = Sorted(lines);
  if (!dedup && sortedOut != sortedIn) {
    return where + Differs("the lines of the output", Quoted(sortedOut), Quoted(sortedIn));
  }
  if (dedup) {
    if (!std::includes(sortedIn.begin(), sortedIn.end(), sortedOut.begin(), sortedOut.end())) {
      return where + "the output " + Quoted(sortedOut) + " holds lines not in " + Quoted(sortedIn);
    }
    std::set<std::string> kept;
    for (const std::string& line : lines) kept.insert(DuplicateClass(line));
    for (const std::string& record : records) {
      if (!kept.count(DuplicateClass(record))) {
        return where + Quoted(record) + " is gone with no duplicate of it left in " + Quoted(lines);
      }
    }
    // Folded, the case variants of a line are neighbours: one of them is left. Not so
    // for lines with a NUL byte: they are equal up to it, while a sort by domain finds
    // its '@' and the domain past it, so variants may have other lines between them.
    const bool nul = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find('\0') != std::string::npos;
    });
    if (fold && !nul && kept.size() != lines.size()) {
      return where + "case variants left in " + Quoted(lines);
    }
    const std::uint64_t dropped = records.size() - lines.size();
    if (job.duplicatesFound != dropped) {
      return where + Differs("the duplicates found", std::to_string(job.duplicatesFound),
                             std::to_string(dropped));
    }
  }
  std::string report = mode == 0 ? "Sort list by entire email:\r\n" : "Sort list by domain:\r\n";
  report += std::to_string(records.size()) +
            (mode == 0 ? " email(s) sorted by entire email\r\n"
                       : " email(s) sorted by domain then by username\r\n");
  if (dedup) report += std::to_string(records.size() - lines.size()) + " duplicate(s) found\r\n";
  report += "\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles({"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

}  // namespace

std::string CheckSort(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 4, SortCase);
}

}  // namespace vantor::fuzz
