#include "tests/support/reference_lines.h"

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

}  // namespace vantor::testing
