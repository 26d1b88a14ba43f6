// Extract: a random sublist of as many lines as asked for, where the list has them.
#include <algorithm>
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

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
  // Lines as the first pass counts them: every line, a blank one too, and a line longer
  // than the chunk as the pieces of the chunk's size the reader cuts it into.
  const std::uint64_t chunk = job.chunkSizes.list;
  std::uint64_t lineCount = 0;
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t lf = std::min(list.find('\n', start), list.size());
    const std::uint64_t length = lf - start;
    lineCount += length == 0 ? 1 : (length + chunk - 1) / chunk;
    start = lf + 1;
  }
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
  // Without LF blank lines every line counted is a record: the count is met.
  if (lines.size() > most || (records.size() == lineCount && lines.size() != most)) {
    return where + Differs("the number of lines extracted", std::to_string(lines.size()),
                           std::to_string(most));
  }
  const std::string report = "Extract random sublist:\r\n" + std::to_string(lines.size()) +
                             " random email(s) extracted from the list of " +
                             std::to_string(lineCount) + " emails\r\n\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles({"in.txt", "out.txt"}); !e.empty()) return where + e;
  return "";
}

}  // namespace

std::string CheckExtract(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 4, ExtractCase);
}

}  // namespace vantor::fuzz
