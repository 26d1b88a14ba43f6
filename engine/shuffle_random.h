// The generator a randomize shuffles with: xoshiro256**, its state filled from one
// 64-bit seed by splitmix64. RunRandom's draws are 15 bits from a 32-bit state: too few
// to pick one of the million lines of a part, or to choose between files of billions of
// lines with the right odds.
#ifndef VANTOR_ENGINE_SHUFFLE_RANDOM_H_
#define VANTOR_ENGINE_SHUFFLE_RANDOM_H_

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/run_random.h"

namespace vantor {

class ShuffleRandom {
 public:
  explicit ShuffleRandom(std::uint64_t seed) {
    for (std::uint64_t& word : state_) {
      seed += 0x9E3779B97F4A7C15ull;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word = z ^ (z >> 31);
    }
  }

  // Seeded by four draws of the run's generator (60 bits): the same run seed gives the
  // same shuffle, and what the run draws afterwards does not depend on the list.
  static ShuffleRandom SeededBy(RunRandom& random) {
    std::uint64_t seed = 0;
    for (int i = 0; i < 4; ++i) seed = seed << 15 | static_cast<std::uint64_t>(random.Draw());
    return ShuffleRandom(seed);
  }

  std::uint64_t Next() {
    const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotate(state_[3], 45);
    return result;
  }

  // A value from 0 to n - 1 (n >= 1), each equally likely: the high word of a draw
  // times n, drawing again in the rare case that would favour some values.
  std::uint64_t Below(std::uint64_t n) {
    std::uint64_t high;
    std::uint64_t low = Multiply(Next(), n, &high);
    if (low < n) {
      const std::uint64_t threshold = (0 - n) % n;  // 2^64 mod n
      while (low < threshold) low = Multiply(Next(), n, &high);
    }
    return high;
  }

  // True with the chance first / (first + second), which must not both be 0.
  bool TakesFirst(std::uint64_t first, std::uint64_t second) {
    return Below(first + second) < first;
  }

  // Puts the items in an order drawn from all orders with equal chance (Fisher-Yates).
  template <typename T>
  void Shuffle(T* items, std::size_t count) {
    for (std::size_t i = count; i > 1; --i) {
      std::swap(items[i - 1], items[Below(i)]);
    }
  }

 private:
  static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  // The low word of a * b; the high word goes to `high`.
  static std::uint64_t Multiply(std::uint64_t a, std::uint64_t b, std::uint64_t* high) {
#if defined(__SIZEOF_INT128__)
    // One instruction where the compiler has 128-bit integers; the same words either way.
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    *high = static_cast<std::uint64_t>(product >> 64);
    return static_cast<std::uint64_t>(product);
#else
    const std::uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
    const std::uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const std::uint64_t lowLow = aLow * bLow;
    const std::uint64_t highLow = aHigh * bLow;
    const std::uint64_t lowHigh = aLow * bHigh;
    const std::uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + lowHigh;
    *high = aHigh * bHigh + (highLow >> 32) + (middle >> 32);
    return (middle << 32) | (lowLow & 0xFFFFFFFFu);
#endif
  }

  std::uint64_t state_[4];
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_SHUFFLE_RANDOM_H_
