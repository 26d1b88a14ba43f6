// The clean action against the plain model of tests/support/reference_clean.h.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"
#include "tests/support/reference_clean.h"

namespace vantor::fuzz {
namespace {

// Header: the list's chunk; a byte whose bit 0 names a rejects file and whose other bits,
// when not all zero, make the write buffer 1 to 127 bytes.
std::string CleanCase(const Input& in) {
  const std::string& list = in.body;
  ProcessingJob job = ListJob();
  job.cleanOn = true;
  job.chunkSizes.list = ChunkOf(in.header[0]);
  if (in.header[1] >> 1) job.chunkSizes.writeBuffer = in.header[1] >> 1;
  if (in.header[1] & 1) job.rejectsFileName = PathOf("rejects.txt");
  const std::string where = "list " + Quoted(list) + ", chunk " +
                            std::to_string(job.chunkSizes.list) + ", write buffer " +
                            std::to_string(job.chunkSizes.writeBuffer) +
                            (job.rejectsFileName.empty() ? "" : ", rejects") + ": ";
  const testing::Cleaned e = testing::CleanModel(list, job.chunkSizes.list);

  ResetDirectory();
  WriteFile(job.inputFileName, list);
  if (std::string error = RunJob(job); !error.empty()) return where + error;
  const std::string output = ReadFile(job.outputFileName);
  if (output != e.output) return where + Differs("the output", Quoted(output), Quoted(e.output));
  if (!job.rejectsFileName.empty()) {
    const std::string rejects = ReadFile(job.rejectsFileName);
    if (rejects != e.rejects) {
      return where + Differs("the rejects", Quoted(rejects), Quoted(e.rejects));
    }
  }
  if (std::string r = ExpectReport(job, testing::CleanReport(e, job.rejectsFileName)); !r.empty()) {
    return where + r;
  }
  const Lines files = job.rejectsFileName.empty() ? Lines{"in.txt", "out.txt"}
                                                  : Lines{"in.txt", "out.txt", "rejects.txt"};
  if (std::string r = ExpectFiles(files); !r.empty()) return where + r;
  return "";
}

}  // namespace

std::string CheckClean(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 2, CleanCase);
}

}  // namespace vantor::fuzz
