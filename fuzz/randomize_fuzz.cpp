// Randomize: the same lines in some order, the same order for the same seed.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

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
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles({"in.txt", "out.txt"}); !e.empty()) return where + e;

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

}  // namespace

std::string CheckRandomize(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 4, RandomizeCase);
}

}  // namespace vantor::fuzz
