#include "tests/support/reference_clean.h"

#include <algorithm>
#include <regex>

namespace vantor::testing {

bool IsModelAddress(const std::string& s) {
  static const std::regex kAddress(
      "([A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*)@"
      "([A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)+)");
  std::smatch m;
  // The length first: the pattern is matched on short strings only.
  if (s.size() > 254 || !std::regex_match(s, m, kAddress) || m[1].length() > 64) return false;
  std::size_t label = 0;
  for (char c : m[3].str()) {
    label = c == '.' ? 0 : label + 1;
    if (label > 63) return false;
  }
  return true;
}

Cleaned CleanModel(std::string list, std::uint32_t chunk) {
  bool crlf = false;
  for (std::size_t i = 0; i < std::min<std::size_t>(list.size(), chunk); ++i) {
    if (list[i] == '\n' || list[i] == '\r') {
      crlf = list[i] == '\r';
      break;
    }
  }
  if (!list.empty() && list.back() != '\n') list += crlf ? "\r\n" : "\n";
  Cleaned c;
  std::size_t start = 0;
  for (std::size_t lf; (lf = list.find('\n', start)) != std::string::npos; start = lf + 1) {
    const std::string raw = list.substr(start, lf + 1 - start);
    std::string body = raw.substr(0, raw.size() - 1);
    const bool cr = !body.empty() && body.back() == '\r';
    if (cr) body.pop_back();
    const std::size_t b = body.find_first_not_of(" \t");
    const std::string trimmed =
        b == std::string::npos ? "" : body.substr(b, body.find_last_not_of(" \t") + 1 - b);
    ++c.lines;
    if (raw.size() - 1 >= chunk) {
      ++c.notAddresses;
      c.rejects += raw;
    } else if (trimmed.empty()) {
      ++c.blank;
    } else if (!IsModelAddress(trimmed)) {
      ++c.notAddresses;
      c.rejects += raw;
    } else {
      c.trimmed += trimmed != body;
      c.output += trimmed + (cr ? "\r\n" : "\n");
    }
  }
  return c;
}

std::string CleanReport(const Cleaned& c, const std::string& rejects) {
  return "Clean list:\r\n" + std::to_string(c.trimmed) + " line(s) trimmed, " +
         std::to_string(c.blank) + " blank line(s) and " + std::to_string(c.notAddresses) +
         " line(s) that are not addresses dropped from " + std::to_string(c.lines) + " lines\r\n" +
         (rejects.empty() ? "" : "dropped lines written to '" + rejects + "'\r\n") + "\r\n";
}

}  // namespace vantor::testing
