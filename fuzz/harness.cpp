#include "fuzz/harness.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/error.h"
#include "engine/runner.h"
#include "fuzz/checks.h"
#include "tests/support/recording_sink.h"

namespace vantor::fuzz {

namespace {

// Separates the files of one input: the list, then the filter file or the other lists.
constexpr char kFileSeparator = '\x1e';

// At most this many parts to a sort: every part file is merged through a reader whose
// record array alone is 16 MiB, which the sanitizer makes slow to come and go.
constexpr std::size_t kMostParts = 48;

Input Decode(const std::uint8_t* data, std::size_t size, std::size_t headerBytes) {
  Input input;
  const std::size_t n = std::min(size, headerBytes);
  for (std::size_t i = 0; i < n; ++i) input.header[i] = data[i];
  input.body.assign(reinterpret_cast<const char*>(data) + n, size - n);
  return input;
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

// Where the work directory goes: $TMPDIR when it is set, else /dev/shm when that can be
// written (no disk under the many small files of a fuzz run), else the system's
// temporary directory.
std::string WorkParent() {
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') return tmp;
  if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
  return std::filesystem::temp_directory_path().string();
}

// Made on first use, removed when the process exits normally.
const testing::TempDir& WorkDir() {
  static const testing::TempDir directory(WorkParent());
  return directory;
}

}  // namespace

const std::string& WorkDirectory() { return WorkDir().path(); }

std::string RunCase(const std::uint8_t* data, std::size_t size, std::size_t headerBytes,
                    Case body) {
  try {
    return body(Decode(data, size, headerBytes));
  } catch (const ActionError& error) {
    return std::string("the engine raised \"") + error.text + "\" outside a run";
  } catch (const std::exception& error) {
    return std::string("exception: ") + error.what();
  }
}

std::uint32_t ChunkOf(std::uint8_t byte) { return byte < 128 ? 1 + byte % 64 : 64u * (byte - 127); }

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

std::string SortList(const Input& in, const ProcessingJob& job) {
  return in.body.substr(0, kMostParts * job.chunkSizes.list);
}

std::string PathOf(const std::string& name) { return WorkDirectory() + "/" + name; }

void ResetDirectory() {
  for (const auto& entry : std::filesystem::directory_iterator(WorkDirectory())) {
    std::filesystem::remove_all(entry.path());
  }
}

ProcessingJob ListJob() {
  ProcessingJob job;
  job.inputFileName = PathOf("in.txt");
  job.outputFileName = PathOf("out.txt");
  return job;
}

std::string RunJob(ProcessingJob& job) {
  job.tempDirectory = WorkDirectory();
  if (!job.runPermission) job.runPermission = std::make_unique<RunPermission>();
  job.runPermission->Set();
  job.resultsText.clear();
  testing::RecordingSink sink;
  ActionRunner(job, sink).Run();
  if (sink.messages.empty()) return "the run posted no message";
  const RunnerMessage& last = sink.messages.back();
  if (last.code == WMU_ERROR) return "the run failed: " + last.text;
  if (last.code != WMU_DONE) return "the run ended on a message other than WMU_DONE";
  return "";
}

std::string RunOnList(ProcessingJob& job, const std::string& list, Lines* lines,
                      std::string* output) {
  ResetDirectory();
  WriteFile(job.inputFileName, list);
  if (std::string error = RunJob(job); !error.empty()) return error;
  if (!FileExists(job.outputFileName)) return "no out.txt";
  *output = ReadFile(job.outputFileName);
  if (!OutputLines(*output, lines))
    return "the output " + Quoted(*output) + " does not end with an LF";
  return "";
}

std::string ExpectFiles(const Lines& names) {
  const Lines actual = WorkDir().List();
  if (actual == names) return "";
  return Differs("the directory", Quoted(actual), Quoted(names));
}

std::string ExpectReport(const ProcessingJob& job, const std::string& report) {
  if (job.resultsText == report) return "";
  return Differs("the report", Quoted(job.resultsText), Quoted(report));
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
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

std::string SetKeySizes(ProcessingJob& job, const Input& in) {
  ChunkSizes& sizes = job.chunkSizes;
  sizes.list = ChunkOf(in.header[0]);
  if (in.header[1] != 0) sizes.keysInMemory = static_cast<std::size_t>(in.header[1]) * 16;
  if (!(in.header[2] & 0x80)) sizes.writeBuffer = 1 + in.header[2] % 32;
  if (in.header[2] & 0x40) sizes.mergeFanIn = 2;
  return "list chunk " + std::to_string(sizes.list) + ", memory " +
         std::to_string(sizes.keysInMemory) + ", write buffer " +
         std::to_string(sizes.writeBuffer) + ", fan-in " + std::to_string(sizes.mergeFanIn) + ": ";
}

std::string CompareOutput(ProcessingJob& job, const std::string& where, const std::string& expected,
                          const std::string& report, const Lines& files) {
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  if (!FileExists(job.outputFileName)) return where + "no out.txt";
  const std::string output = ReadFile(job.outputFileName);
  if (output != expected) return where + Differs("the output", Quoted(output), Quoted(expected));
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles(files); !e.empty()) return where + e;
  return "";
}

}  // namespace vantor::fuzz
