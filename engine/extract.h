// Keeps a random sublist of the list: a first pass counts its lines (a line longer than
// the chunk as the several records it is read as), a second takes from every chunk a
// share of the wanted lines in proportion to the chunk's records, picked at random, or
// the chunk's first lines as they stand when the share comes close to the whole chunk.
#ifndef VANTOR_ENGINE_EXTRACT_H_
#define VANTOR_ENGINE_EXTRACT_H_

#include <cstdint>
#include <vector>

namespace vantor {

class RunContext;

void ExtractRandomSublist(RunContext& run);

// A random index from 0 to n - 1 (n >= 1) made of 15-bit draws of `random` (a RunRandom,
// or anything with the same Draw). A chunk of at most 32,768 records takes one draw
// modulo n. A larger one takes two draws as one 30-bit value, the first in the high
// bits (three as a 45-bit value beyond 2^30 records), and draws again while the value
// lies at or above the largest multiple of n the bits can hold, so that every index is
// equally likely.
template <typename Random>
std::uint32_t RandomIndex(Random& random, std::uint32_t n) {
  if (n <= 32768) return static_cast<std::uint32_t>(random.Draw()) % n;
  const int draws = n <= (1u << 30) ? 2 : 3;
  const std::uint64_t range = std::uint64_t{1} << (15 * draws);
  const std::uint64_t limit = range - range % n;
  for (;;) {
    std::uint64_t value = 0;
    for (int i = 0; i < draws; ++i) {
      value = (value << 15) | static_cast<std::uint64_t>(random.Draw() & 0x7FFF);
    }
    if (value < limit) return static_cast<std::uint32_t>(value % n);
  }
}

// The indices taken so far in one chunk, as one bit per record, so that a draw is
// tested against all earlier picks at once.
class ChunkPicks {
 public:
  static constexpr int kDrawsPerPick = 100;

  // A chunk of n records, none taken.
  void Reset(std::uint32_t n) {
    n_ = n;
    lowestFree_ = 0;
    taken_.assign((static_cast<std::size_t>(n) + 63) / 64, 0);
  }

  // Takes the first of up to 100 random indices that is still free; when all of them
  // hit taken ones, the smallest free index. At least one index must be free.
  template <typename Random>
  std::uint32_t Take(Random& random) {
    for (int draw = 0; draw < kDrawsPerPick; ++draw) {
      const std::uint32_t index = RandomIndex(random, n_);
      if (!IsTaken(index)) return Mark(index);
    }
    // Indices are only ever taken, never given back: the smallest free one can only
    // move up, so the search goes on from where the last one ended.
    while (IsTaken(lowestFree_)) ++lowestFree_;
    return Mark(lowestFree_);
  }

 private:
  bool IsTaken(std::uint32_t i) const { return (taken_[i / 64] >> (i % 64)) & 1; }
  std::uint32_t Mark(std::uint32_t i) {
    taken_[i / 64] |= std::uint64_t{1} << (i % 64);
    return i;
  }

  std::uint32_t n_ = 0;
  std::uint32_t lowestFree_ = 0;
  std::vector<std::uint64_t> taken_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_EXTRACT_H_
