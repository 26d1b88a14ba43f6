// Where the LFs are in 64 bytes of a list, one bit per byte, the first byte in the
// lowest bit: short lines are found a block at a time, not by a search for each.
#ifndef VANTOR_ENGINE_LINE_BITS_H_
#define VANTOR_ENGINE_LINE_BITS_H_

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantor {

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

}  // namespace vantor

#endif  // VANTOR_ENGINE_LINE_BITS_H_
