// Finding and copying the lines of bytes that hold lines one after another, each ending
// in LF, at a cost fit for lists, whose lines are short.
#ifndef VANTOR_ENGINE_LINE_BYTES_H_
#define VANTOR_ENGINE_LINE_BYTES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vantor {

// Copies a line of `n` bytes to `to`, where `room` bytes may be written. A line of up to
// kShortCopy bytes is copied by one fixed-size move when there is room: it reads up to
// kShortCopy bytes from `from` (the source must have that much after any line in it, as
// a reader's buffer has) and may write past the line's end, where the caller writes the
// next line.
constexpr std::size_t kShortCopy = 32;
inline void CopyLine(char* to, const char* from, std::size_t n, std::size_t room) {
  if (n <= kShortCopy && room >= kShortCopy) {
    std::memcpy(to, from, kShortCopy);
  } else {
    std::memcpy(to, from, n);
  }
}

// Calls `onLine(begin, length)` for each line of [data, end), which ends in LF, with the
// line's length and its LF. Looks for the LFs eight bytes at a time: the lines of a list
// are short, and a call to find each would cost more than the search.
template <typename Char, typename OnLine>
inline void ForEachLine(Char* data, Char* end, OnLine&& onLine) {
  Char* start = data;
  Char* p = data;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kBytes = 0x0101010101010101ull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    for (; end - p >= 8; p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const std::uint64_t x = word ^ (kBytes * '\n');
      // The high bit of each byte of x that is 0, and of no other.
      std::uint64_t lfs = ~(((x & kLow7) + kLow7) | x | kLow7);
      while (lfs != 0) {
        Char* lf = p + (std::countr_zero(lfs) >> 3);
        onLine(start, static_cast<std::size_t>(lf + 1 - start));
        start = lf + 1;
        lfs &= lfs - 1;
      }
    }
  }
  for (; p < end; ++p) {
    if (*p != '\n') continue;
    onLine(start, static_cast<std::size_t>(p + 1 - start));
    start = p + 1;
  }
}

}  // namespace vantor

#endif  // VANTOR_ENGINE_LINE_BYTES_H_
