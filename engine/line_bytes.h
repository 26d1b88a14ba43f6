// Finding and copying the lines of bytes that hold lines one after another, each ending
// in LF, at a cost fit for lists, whose lines are short.
#ifndef VANTOR_ENGINE_LINE_BYTES_H_
#define VANTOR_ENGINE_LINE_BYTES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Where the LFs are in 64 bytes of a list, one bit per byte, the first byte in the
// lowest bit.
inline std::uint64_t LfBits(const char* p) {
  std::uint64_t bits = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  for (int i = 0; i < 64; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const auto mask = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    bits |= static_cast<std::uint64_t>(mask) << i;
  }
#else
  for (int i = 0; i < 64; ++i) bits |= static_cast<std::uint64_t>(p[i] == '\n') << i;
#endif
  return bits;
}

// Calls `onLine(begin, length)` for each line of [data, end), which ends in LF, with the
// line's length and its LF. Looks for the LFs 64 bytes at a time: the lines of a list
// are short, and a call to find each would cost more than the search.
template <typename Char, typename OnLine>
inline void ForEachLine(Char* data, Char* end, OnLine&& onLine) {
  Char* start = data;
  for (Char* block = data; block < end; block += 64) {
    std::uint64_t lfs;
    if (end - block >= 64) {
      lfs = LfBits(reinterpret_cast<const char*>(block));
    } else {
      char last[64] = {};
      std::memcpy(last, block, static_cast<std::size_t>(end - block));
      lfs = LfBits(last);
    }
    for (; lfs != 0; lfs &= lfs - 1) {
      Char* lf = block + std::countr_zero(lfs);
      onLine(start, static_cast<std::size_t>(lf + 1 - start));
      start = lf + 1;
    }
  }
}

}  // namespace vantor

#endif  // VANTOR_ENGINE_LINE_BYTES_H_
