// The filter action against a plain model: every record holding a fragment is denied.
#include <string>

#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// `text` up to its first NUL byte.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

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
  if (!FileExists(job.outputFileName)) return where + "no out.txt";
  const std::string output = ReadFile(job.outputFileName);
  if (output != expected) return where + Differs("the output", Quoted(output), Quoted(expected));
  const std::string report = "Filter list:\r\n" + std::to_string(denied) +
                             " email(s) denied from the list of " + std::to_string(total) +
                             " emails while filtering\r\n\r\n";
  if (std::string e = ExpectReport(job, report); !e.empty()) return where + e;
  if (std::string e = ExpectFiles({"filter.txt", "in.txt", "out.txt"}); !e.empty()) {
    return where + e;
  }
  return "";
}

}  // namespace

std::string CheckFilter(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 5, FilterCase);
}

}  // namespace vantor::fuzz
