#include "engine/format.h"

#include <cstdarg>
#include <cstdio>

namespace vantor {

std::string Format(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);
  std::string text(static_cast<std::size_t>(n), '\0');
  va_start(args, format);
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  return text;
}

std::int64_t MulDiv(std::int64_t x, std::int64_t y, std::int64_t z) {
  if (z == 0) return -1;
  __extension__ using Wide = __int128;
  const Wide product = static_cast<Wide>(x) * y;
  const bool negative = (product < 0) != (z < 0);
  const Wide top = product < 0 ? -product : product;
  const Wide bottom = z < 0 ? -static_cast<Wide>(z) : static_cast<Wide>(z);
  Wide quotient = top / bottom;
  // A remainder of half the divisor or more rounds the magnitude up.
  if ((top % bottom) * 2 >= bottom) ++quotient;
  if (quotient > INT64_MAX) return -1;
  return static_cast<std::int64_t>(negative ? -quotient : quotient);
}

std::string FormatElapsed(std::uint32_t ms) {
  return Format("%02lu:%02lu:%02lu", static_cast<unsigned long>(ms / 3600000),
                static_cast<unsigned long>((ms / 60000) % 60),
                static_cast<unsigned long>((ms / 1000) % 60));
}

}  // namespace vantor
