#include "tests/support/reference_lines.h"

#include <functional>
#include <set>

namespace vantor::testing {

std::vector<std::string> ReaderRecords(const std::string& bytes, std::uint32_t chunk,
                                       bool keepWhole, bool* crlfStyle) {
  bool crlf = false;
  for (std::size_t i = 0; i < bytes.size() && i < chunk; ++i) {
    if (bytes[i] == '\n') break;
    if (bytes[i] == '\r') {
      crlf = true;
      break;
    }
  }
  if (crlfStyle != nullptr) *crlfStyle = crlf;
  const std::string supplied = crlf ? "\r" : "";

  std::vector<std::string> records;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    const bool terminated = lf != std::string::npos;
    std::string line = bytes.substr(start, terminated ? lf - start : std::string::npos);
    start = terminated ? lf + 1 : bytes.size();
    while (!keepWhole && line.size() >= chunk) {
      const std::string piece = line.substr(0, chunk);
      records.push_back(piece.back() == '\r' ? piece : piece + supplied);
      line.erase(0, chunk);
    }
    if (!line.empty()) records.push_back(terminated ? line : line + supplied);
  }
  return records;
}

std::string ReferenceAddress(std::string record) {
  if (!record.empty() && record.back() == '\r') record.pop_back();
  const std::size_t first = record.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  record = record.substr(first, record.find_last_not_of(" \t") - first + 1);
  for (char& c : record) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return record;
}

namespace {

// The records of `list` kept by `drops`, which sees each address in turn.
std::string Keep(const std::string& list, std::uint32_t chunk,
                 const std::function<bool(const std::string&)>& drops, long long* dropped,
                 long long* total) {
  std::string out;
  *dropped = *total = 0;
  for (const std::string& record : ReaderRecords(list, chunk, false, nullptr)) {
    ++*total;
    if (record == "\r") continue;
    if (drops(ReferenceAddress(record))) {
      ++*dropped;
    } else {
      out += record + "\n";
    }
  }
  return out;
}

}  // namespace

std::string ReferenceSuppress(const std::string& list, const std::string& suppression,
                              std::uint32_t chunk, long long* dropped, long long* total) {
  std::set<std::string> suppressed;
  for (const std::string& record : ReaderRecords(suppression, chunk, false, nullptr)) {
    suppressed.insert(ReferenceAddress(record));
  }
  suppressed.erase(std::string());
  return Keep(
      list, chunk, [&](const std::string& address) { return suppressed.count(address) > 0; },
      dropped, total);
}

std::string ReferenceDedupe(const std::string& list, std::uint32_t chunk, long long* dropped,
                            long long* total) {
  std::set<std::string> seen;
  return Keep(
      list, chunk,
      [&](const std::string& address) { return !address.empty() && !seen.insert(address).second; },
      dropped, total);
}

}  // namespace vantor::testing
