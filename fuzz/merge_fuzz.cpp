// Merge: the lists one after the other, a line end after one that lacks it.
#include <algorithm>
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

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
  if (!FileExists(job.outputFileName)) return where + "no out.txt";
  const std::string output = ReadFile(job.outputFileName);
  if (output != expected) return where + Differs("the output", Quoted(output), Quoted(expected));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    if (intoList && i == target) continue;
    if (!FileExists(job.mergeFiles[i]) || ReadFile(job.mergeFiles[i]) != lists[i]) {
      return where + "list " + std::to_string(i) + " was changed";
    }
  }
  const std::string report = std::to_string(lists.size()) + " files merged\r\n\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles(names); !e.empty()) return where + e;
  return "";
}

}  // namespace

std::string CheckMerge(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 2, MergeCase);
}

}  // namespace vantor::fuzz
