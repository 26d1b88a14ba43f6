// The suppression against its plain model (tests/support/reference_lines.h): in memory,
// and divided into parts when the header makes the memory small.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

std::string SuppressCase(const Input& in) {
  Lines files = SplitFiles(in.body, 2);
  files.resize(2);
  ProcessingJob job = ListJob();
  job.suppressOn = true;
  job.suppressFileName = PathOf("sup.txt");
  const std::string where = "list " + Quoted(files[0]) + ", suppression " + Quoted(files[1]) +
                            ", " + SetKeySizes(job, in);
  long long dropped = 0;
  long long total = 0;
  const std::string expected =
      testing::ReferenceSuppress(files[0], files[1], job.chunkSizes.list, &dropped, &total);
  ResetDirectory();
  WriteFile(job.inputFileName, files[0]);
  WriteFile(job.suppressFileName, files[1]);
  const std::string report = "Suppress list:\r\n" + std::to_string(dropped) +
                             " email(s) suppressed from the list of " + std::to_string(total) +
                             " emails\r\n\r\n";
  return CompareOutput(job, where, expected, report, {"in.txt", "out.txt", "sup.txt"});
}

}  // namespace

std::string CheckSuppress(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 3, SuppressCase);
}

}  // namespace vantor::fuzz
