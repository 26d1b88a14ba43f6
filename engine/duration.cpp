#include "engine/duration.h"

#include "engine/format.h"

namespace vantor {

std::string FormatDuration(std::uint32_t ms) {
  // Built from the smallest unit up; each larger unit goes in front.
  std::string text;
  const unsigned long fraction = ms % 1000;
  if (fraction > 0) {
    std::string digits = Format("%03lu", fraction);
    while (digits.back() == '0') digits.pop_back();
    text = "." + digits + " seconds";
  }
  const unsigned long seconds = (ms / 1000) % 60;
  if (seconds > 0) {
    text = text.empty() ? Format("%lu", seconds) + " second(s)" : Format("%lu", seconds) + text;
  } else if (!text.empty()) {
    text = "0" + text;
  }
  auto prepend = [&text](const std::string& piece) {
    text = text.empty() ? piece : piece + " " + text;
  };
  const unsigned long minutes = (ms / 60000) % 60;
  if (minutes > 0) prepend(Format("%lu minute", minutes) + (minutes > 1 ? "s" : ""));
  const unsigned long hours = ms / 3600000;
  if (hours > 0) prepend(Format("%lu hour", hours) + (hours > 1 ? "s" : ""));
  return text;
}

}  // namespace vantor
