// Number and text formatting that the engine and both front ends share: printf into a
// std::string, the rounded quotient of a product, and the elapsed-time display.
// Pure functions; any thread may call them.
#ifndef VANTOR_ENGINE_FORMAT_H_
#define VANTOR_ENGINE_FORMAT_H_

#include <cstdint>
#include <string>

namespace vantor {

// Formats like printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// x * y / z rounded to the nearest integer, a remainder of exactly one half away from
// zero. The product never overflows. -1 when z is 0 or the quotient does not fit.
std::int64_t MulDiv(std::int64_t x, std::int64_t y, std::int64_t z);

// "hh:mm:ss" of the elapsed-time display; hours are not wrapped, so from 100 hours on
// the field is wider.
std::string FormatElapsed(std::uint32_t ms);

}  // namespace vantor

#endif  // VANTOR_ENGINE_FORMAT_H_
