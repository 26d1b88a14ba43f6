// The run's pseudo-random generator: 15-bit values from a 32-bit linear congruential
// state. Randomizing takes four draws to seed its own generator (ShuffleRandom) and the
// extract action draws its picks, in that order, so one seed gives one result.
#ifndef VANTOR_ENGINE_RUN_RANDOM_H_
#define VANTOR_ENGINE_RUN_RANDOM_H_

#include <cstdint>

namespace vantor {

class RunRandom {
 public:
  void Seed(std::uint32_t seed) { state_ = seed; }
  // A value from 0 to 32767.
  int Draw() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUN_RANDOM_H_
