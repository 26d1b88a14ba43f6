#include "fuzz/checks.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <system_error>

#include "engine/error.h"
#include "engine/job.h"
#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/ordering.h"
#include "engine/platform/env.h"
#include "engine/runner.h"
#include "engine/split.h"

namespace vantor::fuzz {

namespace {

using Lines = std::vector<std::string>;

// Separates the files of one input: the list, then the filter file or the other lists.
constexpr char kFileSeparator = '\x1e';

// ---------------------------------------------------------------------------------
// Inputs, messages and files

// One input taken apart: the parameter bytes (zero past the end of a short input) and
// the rest.
struct Input {
  std::uint8_t header[5] = {};
  std::string body;
};

Input Decode(const std::uint8_t* data, std::size_t size, std::size_t headerBytes) {
  Input input;
  const std::size_t n = std::min(size, headerBytes);
  for (std::size_t i = 0; i < n; ++i) input.header[i] = data[i];
  input.body.assign(reinterpret_cast<const char*>(data) + n, size - n);
  return input;
}

// A list chunk or part size from one header byte: 1 to 64 bytes below 128, else 64 to
// 8,192 bytes in steps of 64, so that a part can hold more records than the sorts of
// small ranges take.
std::uint32_t ChunkOf(std::uint8_t byte) { return byte < 128 ? 1 + byte % 64 : 64u * (byte - 127); }

// The body cut at its 0x1E bytes into at most `most` files; the last one keeps any
// further 0x1E.
Lines SplitFiles(const std::string& body, std::size_t most) {
  Lines files;
  std::size_t pos = 0;
  while (files.size() + 1 < most) {
    const std::size_t separator = body.find(kFileSeparator, pos);
    if (separator == std::string::npos) break;
    files.push_back(body.substr(pos, separator - pos));
    pos = separator + 1;
  }
  files.push_back(body.substr(pos));
  return files;
}

std::string Quoted(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c >= 32 && c < 127 && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out + "\"";
}

std::string Quoted(const Lines& lines) {
  std::string out = "{";
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + Quoted(lines[i]);
  return out + "}";
}

std::string Differs(const std::string& what, const std::string& actual,
                    const std::string& expected) {
  return what + ": " + actual + ", expected " + expected;
}

// Each record followed by an LF, as a writer copies records out.
std::string Joined(const Lines& records) {
  std::string text;
  for (const std::string& record : records) text += record + "\n";
  return text;
}

// The text without its empty lines (runs of nothing before an LF).
std::string WithoutBlankLines(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    if (lf > pos) out.append(text, pos, lf - pos + (lf < text.size() ? 1 : 0));
    pos = lf + 1;
  }
  return out;
}

bool HasBlankLines(const std::string& text) {
  return (!text.empty() && text[0] == '\n') || text.find("\n\n") != std::string::npos;
}

// The lines of a file written as records each ended by an LF. False when the file does
// not end with an LF.
bool OutputLines(const std::string& text, Lines* lines) {
  lines->clear();
  if (!text.empty() && text.back() != '\n') return false;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines->push_back(text.substr(start, lf - start));
  }
  return true;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

struct OwnedDirectory {
  std::string path;
  OwnedDirectory() {
    std::string base;
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
      base = tmp;
    } else if (::access("/dev/shm", W_OK | X_OK) == 0) {
      base = "/dev/shm";  // no disk under the many small files of a fuzz run
    } else {
      base = std::filesystem::temp_directory_path().string();
    }
    std::string pattern = base + "/vantor-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror(("mkdtemp " + pattern).c_str());
      std::abort();
    }
    path = pattern;
  }
  ~OwnedDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

std::string PathOf(const std::string& name) { return WorkDirectory() + "/" + name; }

// Empties the work directory.
void ResetDirectory() {
  for (const auto& entry : std::filesystem::directory_iterator(WorkDirectory())) {
    std::filesystem::remove_all(entry.path());
  }
}

Lines DirectoryNames() {
  Lines names;
  for (const auto& entry : std::filesystem::directory_iterator(WorkDirectory())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// ---------------------------------------------------------------------------------
// Running the engine

class KeepingSink final : public MessageSink {
 public:
  void Post(RunnerMessage message) override { messages.push_back(std::move(message)); }
  std::vector<RunnerMessage> messages;
};

// A single-list job on in.txt with out.txt as its destination.
ProcessingJob ListJob() {
  ProcessingJob job;
  job.inputFileName = PathOf("in.txt");
  job.outputFileName = PathOf("out.txt");
  return job;
}

// Runs the job through the runner, its temporary files in the work directory. Empty
// when the run completed, else what ended it.
std::string RunJob(ProcessingJob& job) {
  job.tempDirectory = WorkDirectory();
  if (!job.runPermission) job.runPermission = std::make_unique<RunPermission>();
  job.runPermission->Set();
  job.resultsText.clear();
  KeepingSink sink;
  ActionRunner(job, sink).Run();
  if (sink.messages.empty()) return "the run posted no message";
  const RunnerMessage& last = sink.messages.back();
  if (last.code == WMU_ERROR) return "the run failed: " + last.text;
  if (last.code != WMU_DONE) return "the run ended on a message other than WMU_DONE";
  return "";
}

// Runs a check, turning what it throws into its answer.
std::string Guarded(const std::function<std::string()>& check) {
  try {
    return check();
  } catch (const ActionError& error) {
    return std::string("the engine raised \"") + error.text + "\" outside a run";
  } catch (const std::exception& error) {
    return std::string("exception: ") + error.what();
  }
}

std::string Expect(const Lines& names, const Lines& expected) {
  if (names == expected) return "";
  return Differs("the directory", Quoted(names), Quoted(expected));
}

// ---------------------------------------------------------------------------------
// Plain models

// The records a ListReader gives for `bytes`, split as plainly as possible: lines are
// the runs before each LF; empty runs yield nothing; a run as long as the chunk or
// longer comes in pieces of the chunk's size (unless lines are kept whole); a last line
// without an LF gets a CR in CR LF style, as does each piece that does not end in CR
// already. The style is CR LF when a CR comes before any LF within the first chunk.
Lines ReaderRecords(const std::string& bytes, std::uint32_t chunk, bool keepWhole,
                    bool* crlfStyle) {
  bool crlf = false;
  for (std::size_t i = 0; i < bytes.size() && i < chunk; ++i) {
    if (bytes[i] == '\n') break;
    if (bytes[i] == '\r') {
      crlf = true;
      break;
    }
  }
  if (crlfStyle) *crlfStyle = crlf;
  Lines records;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    const bool terminated = lf != std::string::npos;
    std::string line = bytes.substr(start, terminated ? lf - start : std::string::npos);
    start = terminated ? lf + 1 : bytes.size();
    while (!keepWhole && line.size() >= chunk) {
      const std::string piece = line.substr(0, chunk);
      records.push_back(!crlf || piece.back() == '\r' ? piece : piece + "\r");
      line.erase(0, chunk);
    }
    if (!line.empty()) records.push_back(terminated || !crlf ? line : line + "\r");
  }
  return records;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// `text` up to its first NUL byte.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

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

// Mode 0: the whole lines; mode 1: from the first '@' on, then the part before it.
int PlainCompare(std::string_view a, std::string_view b, int mode) {
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
int EngineCompare(std::string_view a, std::string_view b, int mode) {
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
  return ComparatorFor(static_cast<RearrangeMode>(mode))(ra, rb);
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

// ---------------------------------------------------------------------------------
// The list reader

struct Drained {
  Lines records;
  std::string written;  // each record with the byte after it, as a writer copies it
  std::string problem;
};

Drained Drain(ListReader& reader, std::size_t fileSize) {
  Drained result;
  // Each call consumes a byte or finishes a line cut at the chunk's size.
  std::size_t callsLeft = 2 * fileSize + 4;
  while (reader.ReadChunk()) {
    if (callsLeft-- == 0) {
      result.problem = "ReadChunk does not reach the end of the file";
      return result;
    }
    LineStore& lines = reader.lines();
    for (std::size_t i = 0; i < lines.count(); ++i) {
      const LineRecord& line = lines[i];
      if (line.length < 1) {
        result.problem = "record " + std::to_string(result.records.size()) + " has length " +
                         std::to_string(line.length);
        return result;
      }
      if (line.text[line.length] != '\n') {
        result.problem = "record " + std::to_string(result.records.size()) + " " +
                         Quoted(std::string(line.text, line.length)) + " is not followed by an LF";
      }
      result.records.emplace_back(line.text, line.length);
      result.written.append(line.text, static_cast<std::size_t>(line.length) + 1);
    }
  }
  return result;
}

// Header: the chunk size; whether lines are kept whole, and whether the reader first
// reads part of the file with another chunk size (the second header byte holds that
// size too); how many chunks that first reading takes.
std::string ListReaderCase(const Input& in) {
  const std::uint32_t firstChunk = 1 + in.header[0] % 64;
  const bool keepWhole = in.header[1] & 1;
  const bool reopen = in.header[1] & 2;
  const std::uint32_t chunk = reopen ? 1 + (in.header[1] >> 2) % 64 : firstChunk;
  const int earlyCalls = in.header[2] % 8;
  const std::string& bytes = in.body;
  std::string where = "list " + Quoted(bytes) + ", chunk " + std::to_string(chunk);
  if (keepWhole) where += ", lines kept whole";
  if (reopen) {
    where += ", opened again after " + std::to_string(earlyCalls) + " chunk(s) of " +
             std::to_string(firstChunk);
  }
  where += ": ";

  ResetDirectory();
  const std::string path = PathOf("list.txt");
  WriteFile(path, bytes);
  bool crlf = false;
  const Lines expected = ReaderRecords(bytes, chunk, keepWhole, &crlf);

  ListReader reader(Env::Default(), NoKey);
  if (keepWhole) reader.KeepLinesWhole();
  if (reopen) {
    reader.Open(path, firstChunk);
    for (int i = 0; i < earlyCalls && reader.ReadChunk(); ++i) {
    }
    reader.Close();
  }
  reader.Open(path, chunk);
  const Drained got = Drain(reader, bytes.size());
  const bool gotCrlf = reader.crlfMode();
  reader.Close();
  if (!got.problem.empty()) return where + got.problem;
  if (got.records != expected) {
    return where + Differs("the records", Quoted(got.records), Quoted(expected));
  }
  if (got.written != Joined(expected)) {
    return where + Differs("what is written back", Quoted(got.written), Quoted(Joined(expected)));
  }
  if (gotCrlf != crlf)
    return where + (crlf ? "the style is LF, expected CR LF" : "the style is CR LF, expected LF");

  // Raw chunks give the file back as it is.
  ListReader raw(Env::Default(), NoKey);
  raw.Open(path, chunk);
  std::string all;
  std::size_t callsLeft = bytes.size() + 2;
  while (raw.ReadRawChunk()) {
    if (callsLeft-- == 0) return where + "ReadRawChunk does not reach the end of the file";
    if (raw.validBytes() == 0 || raw.validBytes() > chunk) {
      return where + "a raw chunk of " + std::to_string(raw.validBytes()) + " bytes";
    }
    all.append(raw.buffer(), raw.validBytes());
  }
  raw.Close();
  if (all != bytes) return where + Differs("the raw chunks", Quoted(all), Quoted(bytes));
  return "";
}

// ---------------------------------------------------------------------------------
// Filter

// The filter file's fragments: its records, each without one trailing CR and the
// spaces at both ends, up to its first NUL, upper-cased; empty ones match nothing and
// are left out.
Lines Fragments(const std::string& filter, std::uint32_t chunk) {
  Lines fragments;
  for (std::string line : ReaderRecords(filter, chunk, false, nullptr)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line = UpToNul(line.substr(first, line.find_last_not_of(' ') - first + 1));
    if (!line.empty()) fragments.push_back(Upper(line));
  }
  return fragments;
}

// Every '*' of a stretched input stands for this many 'q's: three of them make a
// fragment longer than the filter's automaton takes.
constexpr std::size_t kStretch = 1500;

std::string Stretched(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '*') {
      out.append(kStretch, 'q');
    } else {
      out += c;
    }
  }
  return out;
}

// Header: the list's chunk; the filter's chunk; the table size of a batch of
// fragments (in 8-byte steps); a byte whose bit 0 keeps every fragment in memory, bit 1
// makes the write buffer small, and the rest sizes the in-memory budget (in 64-byte
// steps, so that the filter is read again for every chunk) or the write buffer; a byte
// whose bit 0 stretches the list and the filter and makes both chunks 256 times larger.
std::string FilterCase(const Input& in) {
  const bool stretch = in.header[4] & 1;
  Lines files = SplitFiles(in.body, 2);
  files.resize(2);
  if (stretch) {
    for (std::string& file : files) file = Stretched(file);
  }
  const std::string& list = files[0];
  const std::string& filter = files[1];
  ProcessingJob job = ListJob();
  job.filterOn = true;
  job.filterFileName = PathOf("filter.txt");
  ChunkSizes& sizes = job.chunkSizes;
  sizes.list = ChunkOf(in.header[0]) * (stretch ? 256 : 1);
  sizes.filter = (1 + in.header[1] % 64) * (stretch ? 256 : 1);
  sizes.filterBatchTable = static_cast<std::size_t>(in.header[2]) * 8;
  sizes.filterInMemory =
      in.header[3] & 1 ? std::size_t{32} << 20 : static_cast<std::size_t>(in.header[3] >> 2) * 64;
  if (in.header[3] & 2) sizes.writeBuffer = 1 + (in.header[3] >> 2) % 32;
  const std::string where = "list " + Quoted(list) + ", filter " + Quoted(filter) +
                            ", list chunk " + std::to_string(sizes.list) + ", filter chunk " +
                            std::to_string(sizes.filter) + ", batch table " +
                            std::to_string(sizes.filterBatchTable) + ", in memory " +
                            std::to_string(sizes.filterInMemory) + ", write buffer " +
                            std::to_string(sizes.writeBuffer) + ": ";

  // The model: every record whose address (without one trailing CR, up to its first
  // NUL) holds a fragment, ignoring case, is denied; a record of a lone CR is counted
  // and never written.
  const Lines fragments = Fragments(filter, sizes.filter);
  std::string expected;
  long long denied = 0;
  long long total = 0;
  for (const std::string& record : ReaderRecords(list, sizes.list, false, nullptr)) {
    ++total;
    std::string address = record;
    if (address.back() == '\r') address.pop_back();
    if (address.empty()) continue;
    const std::string text = Upper(UpToNul(address));
    bool deny = false;
    for (const std::string& fragment : fragments) {
      if (text.find(fragment) != std::string::npos) {
        deny = true;
        break;
      }
    }
    if (deny) {
      ++denied;
    } else {
      expected += record + "\n";
    }
  }

  ResetDirectory();
  WriteFile(job.inputFileName, list);
  WriteFile(job.filterFileName, filter);
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  std::string output;
  if (!ReadFile(job.outputFileName, &output)) return where + "no out.txt";
  if (output != expected) return where + Differs("the output", Quoted(output), Quoted(expected));
  const std::string report = "Filter list:\r\n" + std::to_string(denied) +
                             " email(s) denied from the list of " + std::to_string(total) +
                             " emails while filtering\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), {"filter.txt", "in.txt", "out.txt"}); !e.empty()) {
    return where + e;
  }
  return "";
}

// ---------------------------------------------------------------------------------
// Sort and randomize

// Header bytes 0 to 2: the part size (see ChunkOf); the merge chunk; the number of
// files a merging pass may read (bits 0-2: 64, or 2 to 8) and, with bit 3, a write
// buffer of 1 to 16 bytes (bits 4-7).
std::string SetSortSizes(ProcessingJob& job, const Input& in) {
  ChunkSizes& sizes = job.chunkSizes;
  sizes.list = ChunkOf(in.header[0]);
  sizes.merge = 1 + in.header[1] % 64;
  const unsigned fanIn = in.header[2] % 8;
  sizes.mergeFanIn = fanIn == 0 ? 64 : fanIn + 1;
  if (in.header[2] & 8) sizes.writeBuffer = 1 + (in.header[2] >> 4);
  return "part " + std::to_string(sizes.list) + ", merge chunk " + std::to_string(sizes.merge) +
         ", fan-in " + std::to_string(sizes.mergeFanIn) + ", write buffer " +
         std::to_string(sizes.writeBuffer);
}

// At most this many parts to a sort: every part file is merged through a reader whose
// record array alone is 16 MiB, which the sanitizer makes slow to come and go.
constexpr std::size_t kMostParts = 48;

// The list of a sort input: its body up to kMostParts parts.
std::string SortList(const Input& in, const ProcessingJob& job) {
  return in.body.substr(0, kMostParts * job.chunkSizes.list);
}

// Runs the job on `list` and reads the lines of out.txt; empty, or what went wrong.
std::string RunOnList(ProcessingJob& job, const std::string& list, Lines* lines,
                      std::string* output) {
  ResetDirectory();
  WriteFile(job.inputFileName, list);
  if (std::string error = RunJob(job); !error.empty()) return error;
  if (!ReadFile(job.outputFileName, output)) return "no out.txt";
  if (!OutputLines(*output, lines))
    return "the output " + Quoted(*output) + " does not end with an LF";
  return "";
}

// Header byte 3: bit 0 sorts by domain, bit 1 removes duplicates.
std::string SortCase(const Input& in) {
  const int mode = in.header[3] & 1;
  const bool dedup = in.header[3] & 2;
  ProcessingJob job = ListJob();
  const std::string sizes = SetSortSizes(job, in);
  const std::string list = SortList(in, job);
  job.sortByEmail = mode == 0;
  job.sortByDomain = mode == 1;
  job.rearrangeMode = static_cast<RearrangeMode>(mode);
  job.removeDuplicates = dedup;
  const std::string where = "list " + Quoted(list) + (mode ? ", by domain" : ", by email") +
                            (dedup ? " removing duplicates, " : ", ") + sizes + ": ";
  const Lines records = ReaderRecords(list, job.chunkSizes.list, false, nullptr);

  // The engine's comparator agrees with the plain order on neighbouring records.
  for (std::size_t i = 1; i < records.size(); ++i) {
    const int plain = Sign(PlainCompare(records[i - 1], records[i], mode));
    const int engine = Sign(EngineCompare(records[i - 1], records[i], mode));
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
    const int plain = Sign(PlainCompare(a, b, mode));
    const int engine = Sign(EngineCompare(a, b, mode));
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
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), {"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

// Header byte 3: the seed; its bit 0 also asks for duplicates to be removed, which
// randomizing never does.
std::string RandomizeCase(const Input& in) {
  auto makeJob = [&in](std::string* sizes) {
    ProcessingJob job = ListJob();
    *sizes = SetSortSizes(job, in);
    job.randomize = true;
    job.rearrangeMode = RearrangeMode::kRandomize;
    job.removeDuplicates = in.header[3] & 1;
    job.random.Seed(in.header[3]);
    return job;
  };
  std::string sizes;
  ProcessingJob job = makeJob(&sizes);
  const std::string list = SortList(in, job);
  const std::string where =
      "list " + Quoted(list) + ", seed " + std::to_string(in.header[3]) + ", " + sizes + ": ";
  const Lines records = ReaderRecords(list, job.chunkSizes.list, false, nullptr);
  Lines lines;
  std::string output;
  if (std::string error = RunOnList(job, list, &lines, &output); !error.empty()) {
    return where + error;
  }
  if (Sorted(lines) != Sorted(records)) {
    return where +
           Differs("the lines of the output", Quoted(Sorted(lines)), Quoted(Sorted(records)));
  }
  const std::string report =
      "Randomize list:\r\n" + std::to_string(records.size()) + " email(s) randomized\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), {"in.txt", "out.txt"}); !e.empty()) return where + e;

  // The same seed gives the same order.
  ProcessingJob again = makeJob(&sizes);
  Lines linesAgain;
  std::string outputAgain;
  if (std::string error = RunOnList(again, list, &linesAgain, &outputAgain); !error.empty()) {
    return where + "run again: " + error;
  }
  if (outputAgain != output) {
    return where + Differs("the output of a second run", Quoted(outputAgain), Quoted(output));
  }
  return "";
}

// ---------------------------------------------------------------------------------
// Include and extract

const char* const kAddresses[] = {"add@x", "A", "x@y.z"};

// Header: the chunk (see ChunkOf); the period (1 to 16, 255 for the largest); the
// address; bit 0 makes the write buffer small, the rest sizes it.
std::string IncludeCase(const Input& in) {
  const std::string& list = in.body;
  ProcessingJob job = ListJob();
  job.includeOn = true;
  job.chunkSizes.list = ChunkOf(in.header[0]);
  job.includePeriod = in.header[1] == 255 ? INT32_MAX : 1 + in.header[1] % 16;
  job.includeEmail = kAddresses[in.header[2] % 3];
  if (in.header[3] & 1) job.chunkSizes.writeBuffer = 1 + (in.header[3] >> 1) % 32;
  const std::string where = "list " + Quoted(list) + ", chunk " +
                            std::to_string(job.chunkSizes.list) + ", every " +
                            std::to_string(job.includePeriod) + " " + job.includeEmail +
                            ", write buffer " + std::to_string(job.chunkSizes.writeBuffer) + ": ";

  // The model: every record with an LF after it, and after every period-th one the
  // address with the line end of the first record of that run.
  const Lines records = ReaderRecords(list, job.chunkSizes.list, false, nullptr);
  const long long period = job.includePeriod;
  std::string expected;
  bool runStartsCr = false;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (static_cast<long long>(i) % period == 0) runStartsCr = records[i].back() == '\r';
    expected += records[i] + "\n";
    if (static_cast<long long>(i + 1) % period == 0) {
      expected += job.includeEmail + (runStartsCr ? "\r\n" : "\n");
    }
  }
  const long long total = static_cast<long long>(records.size());

  ResetDirectory();
  WriteFile(job.inputFileName, list);
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  std::string output;
  if (!ReadFile(job.outputFileName, &output)) return where + "no out.txt";
  // Blank lines of the list may ride along inside a run; nothing else may differ.
  if (WithoutBlankLines(output) != expected || (!HasBlankLines(list) && output != expected)) {
    return where + Differs("the output", Quoted(output), Quoted(expected));
  }
  const std::string report = "Include email into the list:\r\nEmail '" + job.includeEmail +
                             "' is included " + std::to_string(total / period) +
                             " time(s) into the list of " + std::to_string(total) +
                             " emails\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), {"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

// Header: the chunk (see ChunkOf); the count (1 to 64); the seed (two bytes).
std::string ExtractCase(const Input& in) {
  const std::string& list = in.body;
  ProcessingJob job = ListJob();
  job.extractOn = true;
  job.chunkSizes.list = ChunkOf(in.header[0]);
  job.extractCount = 1 + in.header[1] % 64;
  const std::uint32_t seed = in.header[2] | (in.header[3] << 8);
  job.random.Seed(seed);
  const std::uint64_t wanted = static_cast<std::uint64_t>(job.extractCount);
  const std::string where = "list " + Quoted(list) + ", chunk " +
                            std::to_string(job.chunkSizes.list) + ", count " +
                            std::to_string(wanted) + ", seed " + std::to_string(seed) + ": ";

  const Lines records = ReaderRecords(list, job.chunkSizes.list, false, nullptr);
  // Lines as the first pass counts them: every LF, and a last line without one.
  const std::uint64_t lineCount = static_cast<std::uint64_t>(
      std::count(list.begin(), list.end(), '\n') + (!list.empty() && list.back() != '\n'));
  const std::uint64_t most = std::min(wanted, lineCount);

  Lines lines;
  std::string output;
  if (std::string error = RunOnList(job, list, &lines, &output); !error.empty()) {
    return where + error;
  }
  const Lines sortedIn = Sorted(records);
  const Lines sortedOut = Sorted(lines);
  if (!std::includes(sortedIn.begin(), sortedIn.end(), sortedOut.begin(), sortedOut.end())) {
    return where + "the output " + Quoted(lines) + " holds lines not in " + Quoted(records);
  }
  // Without blank lines and cut lines, every line counted is a record: the count is met.
  if (lines.size() > most || (records.size() == lineCount && lines.size() != most)) {
    return where + Differs("the number of lines extracted", std::to_string(lines.size()),
                           std::to_string(most));
  }
  const std::string report = "Extract random sublist:\r\n" + std::to_string(lines.size()) +
                             " random email(s) extracted from the list of " +
                             std::to_string(lineCount) + " emails\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), {"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

// ---------------------------------------------------------------------------------
// Split and merge

// The records of a part: its runs before each LF that are not empty.
Lines PartRecords(const std::string& part) {
  Lines records;
  std::size_t start = 0;
  for (std::size_t lf; (lf = part.find('\n', start)) != std::string::npos; start = lf + 1) {
    if (lf > start) records.push_back(part.substr(start, lf - start));
  }
  return records;
}

std::string CheckSplitByCount(const std::string& list, std::uint32_t chunk, std::uint64_t size,
                              const Lines& parts) {
  const Lines records = ReaderRecords(list, chunk, false, nullptr);
  const std::size_t count = (records.size() + size - 1) / size;
  if (parts.size() != count) {
    return Differs("the number of parts", std::to_string(parts.size()), std::to_string(count));
  }
  Lines joined;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const std::string& part = parts[k];
    const std::string which = "part " + std::to_string(k + 1) + " " + Quoted(part);
    // Blank LF lines ride only between two records of a part.
    if (part.empty() || part.front() == '\n' || part.back() != '\n' ||
        (part.size() >= 2 && part[part.size() - 2] == '\n')) {
      return which + " is empty, or does not start and end with a record";
    }
    const Lines inPart = PartRecords(part);
    if (k + 1 < parts.size() ? inPart.size() != size : inPart.size() > size) {
      return which + " holds " + std::to_string(inPart.size()) + " records";
    }
    joined.insert(joined.end(), inPart.begin(), inPart.end());
  }
  if (joined != records)
    return Differs("the records of the parts", Quoted(joined), Quoted(records));
  return "";
}

std::string CheckSplitBySize(const std::string& list, std::uint32_t buffer, std::uint64_t size,
                             const Lines& parts) {
  std::string joined;
  for (const std::string& part : parts) joined += part;
  if (joined != list) return Differs("the parts put together", Quoted(joined), Quoted(list));
  // A part of a single line too long for a part, or for one read of the buffer.
  auto ownLine = [&](const std::string& part) {
    const std::size_t lf = part.find('\n');
    const bool single = lf == std::string::npos || lf + 1 == part.size();
    const bool ended = lf != std::string::npos;
    return single &&
           (part.size() > size || part.size() > buffer || (!ended && part.size() == buffer));
  };
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const std::string& part = parts[k];
    const std::string which = "part " + std::to_string(k + 1) + " " + Quoted(part);
    if (part.empty()) return which + " is empty";
    if (!ownLine(part) && part.size() > size) return which + " is too long";
    if (k + 1 == parts.size()) break;
    if (part.back() != '\n') return which + " does not end with an LF";
    // It was closed because the next line did not fit.
    const std::string& next = parts[k + 1];
    const std::size_t lf = next.find('\n');
    const std::size_t firstLine = lf == std::string::npos ? next.size() : lf + 1;
    if (!ownLine(part) && !ownLine(next) && part.size() + firstLine <= size) {
      return which + " was closed before " + Quoted(next.substr(0, firstLine)) + ", which fits";
    }
  }
  return "";
}

// Header: the chunk (by count) or read buffer (by size), see ChunkOf; bit 0 splits by
// count, the rest is the part size (1 to 8 e-mails, or 1 to 64 bytes); bit 0 makes the
// write buffer small, the rest sizes it.
std::string SplitCase(const Input& in) {
  const std::string& list = in.body;
  ProcessingJob job = ListJob();
  job.splitOn = true;
  job.chunkSizes.list = ChunkOf(in.header[0]);
  job.splitByCount = in.header[1] & 1;
  job.splitSize = 1 + (in.header[1] >> 1) % (job.splitByCount ? 8 : 64);
  if (in.header[2] & 1) job.chunkSizes.writeBuffer = 1 + (in.header[2] >> 1) % 32;
  const std::string where = "list " + Quoted(list) + ", chunk " +
                            std::to_string(job.chunkSizes.list) +
                            (job.splitByCount ? ", emails per part " : ", bytes per part ") +
                            std::to_string(job.splitSize) + ", write buffer " +
                            std::to_string(job.chunkSizes.writeBuffer) + ": ";

  ResetDirectory();
  WriteFile(job.inputFileName, list);
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  Lines parts;
  Lines names = {"in.txt"};
  for (std::uint64_t k = 1;; ++k) {
    std::string part;
    if (!ReadFile(PartFileName(job.outputFileName, k), &part)) break;
    parts.push_back(part);
    names.push_back("out" + std::to_string(k) + ".txt");
  }
  std::sort(names.begin(), names.end());
  if (std::string e = Expect(DirectoryNames(), names); !e.empty()) return where + e;
  std::string after;
  if (!ReadFile(job.inputFileName, &after) || after != list) return where + "the list was changed";
  const std::uint64_t size = static_cast<std::uint64_t>(job.splitSize);
  std::string problem = job.splitByCount ? CheckSplitByCount(list, job.chunkSizes.list, size, parts)
                                         : CheckSplitBySize(list, job.chunkSizes.list, size, parts);
  if (!problem.empty()) return where + problem + " in " + Quoted(parts);
  const std::string report = "Split list:\r\nEmail list was splitted into " +
                             std::to_string(parts.size()) + " parts\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  return "";
}

// Header: the block size (see ChunkOf); bit 0 makes the output file one of the lists,
// the rest picks which. The body holds up to eight lists.
std::string MergeCase(const Input& in) {
  const Lines lists = SplitFiles(in.body, 8);
  ProcessingJob job = ListJob();
  job.singleListMode = false;
  job.chunkSizes.list = ChunkOf(in.header[0]);
  const bool intoList = in.header[1] & 1;
  const std::size_t target = (in.header[1] >> 1) % lists.size();
  std::string where = "lists " + Quoted(lists) + ", block " + std::to_string(job.chunkSizes.list);
  if (intoList) where += ", into list " + std::to_string(target);
  where += ": ";

  // The model: each list as it is, and after one whose last byte is not an LF the line
  // end of the first LF found in the first block of a list (CR LF when a CR stands
  // just before it), LF when there is none.
  const std::size_t block = job.chunkSizes.list;
  std::string lineEnd = "\n";
  for (const std::string& list : lists) {
    const std::size_t lf = list.substr(0, block).find('\n');
    if (lf == std::string::npos) continue;
    lineEnd = lf > 0 && list[lf - 1] == '\r' ? "\r\n" : "\n";
    break;
  }
  std::string expected;
  for (const std::string& list : lists) {
    expected += list;
    if (!list.empty() && list.back() != '\n') expected += lineEnd;
  }

  ResetDirectory();
  Lines names = {"out.txt"};
  for (std::size_t i = 0; i < lists.size(); ++i) {
    if (intoList && i == target) {
      job.mergeFiles.push_back(job.outputFileName);
    } else {
      names.push_back("l" + std::to_string(i) + ".txt");
      job.mergeFiles.push_back(PathOf(names.back()));
    }
    WriteFile(job.mergeFiles.back(), lists[i]);
  }
  std::sort(names.begin(), names.end());
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  std::string output;
  if (!ReadFile(job.outputFileName, &output)) return where + "no out.txt";
  if (output != expected) return where + Differs("the output", Quoted(output), Quoted(expected));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    std::string after;
    if (intoList && i == target) continue;
    if (!ReadFile(job.mergeFiles[i], &after) || after != lists[i]) {
      return where + "list " + std::to_string(i) + " was changed";
    }
  }
  const std::string report = std::to_string(lists.size()) + " files merged\r\n\r\n";
  if (job.resultsText != report) {
    return where + Differs("the report", Quoted(job.resultsText), Quoted(report));
  }
  if (std::string e = Expect(DirectoryNames(), names); !e.empty()) return where + e;
  return "";
}

}  // namespace

const std::string& WorkDirectory() {
  static const OwnedDirectory directory;
  return directory.path;
}

std::string CheckListReader(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return ListReaderCase(Decode(data, size, 3)); });
}

std::string CheckFilter(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return FilterCase(Decode(data, size, 5)); });
}

std::string CheckSort(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return SortCase(Decode(data, size, 4)); });
}

std::string CheckRandomize(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return RandomizeCase(Decode(data, size, 4)); });
}

std::string CheckInclude(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return IncludeCase(Decode(data, size, 4)); });
}

std::string CheckExtract(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return ExtractCase(Decode(data, size, 4)); });
}

std::string CheckSplit(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return SplitCase(Decode(data, size, 3)); });
}

std::string CheckMerge(const std::uint8_t* data, std::size_t size) {
  return Guarded([&] { return MergeCase(Decode(data, size, 2)); });
}

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"list_reader_fuzz", CheckListReader},
      {"filter_fuzz", CheckFilter},
      {"sort_fuzz", CheckSort},
      {"randomize_fuzz", CheckRandomize},
      {"include_fuzz", CheckInclude},
      {"extract_fuzz", CheckExtract},
      {"split_fuzz", CheckSplit},
      {"merge_fuzz", CheckMerge},
  };
  return targets;
}

Check FindCheck(std::string_view name) {
  for (const Target& target : Targets()) {
    if (name == target.name) return target.check;
  }
  return nullptr;
}

}  // namespace vantor::fuzz
