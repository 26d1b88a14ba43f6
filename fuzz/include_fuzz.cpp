// Include: an address after every period-th record.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

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
  if (!FileExists(job.outputFileName)) return where + "no out.txt";
  const std::string output = ReadFile(job.outputFileName);
  // Blank lines of the list may ride along inside a run; nothing else may differ.
  if (WithoutBlankLines(output) != expected || (!HasBlankLines(list) && output != expected)) {
    return where + Differs("the output", Quoted(output), Quoted(expected));
  }
  const std::string report = "Include email into the list:\r\nEmail '" + job.includeEmail +
                             "' is included " + std::to_string(total / period) +
                             " time(s) into the list of " + std::to_string(total) +
                             " emails\r\n\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles({"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

}  // namespace

std::string CheckInclude(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 4, IncludeCase);
}

}  // namespace vantor::fuzz
