// Split by count and by size: parts that put together give the list.
#include <algorithm>
#include <string>

#include "engine/split.h"
#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

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
    const std::string part = PartFileName(job.outputFileName, k);
    if (!FileExists(part)) break;
    parts.push_back(ReadFile(part));
    names.push_back("out" + std::to_string(k) + ".txt");
  }
  std::sort(names.begin(), names.end());
  if (std::string e = ExpectFiles(names); !e.empty()) return where + e;
  if (!FileExists(job.inputFileName) || ReadFile(job.inputFileName) != list) {
    return where + "the list was changed";
  }
  const std::uint64_t size = static_cast<std::uint64_t>(job.splitSize);
  std::string problem = job.splitByCount ? CheckSplitByCount(list, job.chunkSizes.list, size, parts)
                                         : CheckSplitBySize(list, job.chunkSizes.list, size, parts);
  if (!problem.empty()) return where + problem + " in " + Quoted(parts);
  const std::string report = "Split list:\r\nEmail list was splitted into " +
                             std::to_string(parts.size()) + " parts\r\n\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  return "";
}

}  // namespace

std::string CheckSplit(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 3, SplitCase);
}

}  // namespace vantor::fuzz
