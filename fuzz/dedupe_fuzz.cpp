// The keep-order duplicate removal against its plain model (tests/support/
// reference_lines.h): in memory, and divided into parts when the header makes the memory
// small.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

std::string DedupeCase(const Input& in) {
  ProcessingJob job = ListJob();
  job.keepOrderDedupe = true;
  job.rearrangeMode = RearrangeMode::kKeepOrder;
  const std::string where = "list " + Quoted(in.body) + ", " + SetKeySizes(job, in);
  long long dropped = 0;
  long long total = 0;
  const std::string expected =
      testing::ReferenceDedupe(in.body, job.chunkSizes.list, &dropped, &total);
  ResetDirectory();
  WriteFile(job.inputFileName, in.body);
  const std::string report = "Remove duplicates, order kept:\r\n" + std::to_string(dropped) +
                             " duplicate(s) removed from the list of " + std::to_string(total) +
                             " emails\r\n\r\n";
  return CompareOutput(job, where, expected, report, {"in.txt", "out.txt"});
}

}  // namespace

std::string CheckDedupe(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 3, DedupeCase);
}

}  // namespace vantor::fuzz
