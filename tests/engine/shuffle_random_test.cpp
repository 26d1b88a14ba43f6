#include "engine/shuffle_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

namespace vantor {
namespace {

// A shuffle of four items lands on each of the 24 orders equally often (a swap with any
// place, or one that never leaves an item where it is, does not); a draw below a bound
// as large as 3 * 2^62 is even over it (a plain remainder of a 64-bit draw gives its
// first third half of the time); and the choice between two files takes the first with
// the odds of its share of the lines, down to the last line of either.
TEST(ShuffleRandomTest, EveryOrderAndEveryValueIsEquallyLikely) {
  ShuffleRandom random(1);
  constexpr int kShuffles = 24000;
  std::map<std::array<int, 4>, int> orders;
  for (int i = 0; i < kShuffles; ++i) {
    std::array<int, 4> items = {0, 1, 2, 3};
    random.Shuffle(items.data(), items.size());
    ++orders[items];
  }
  ASSERT_EQ(orders.size(), 24u);
  const double expected = kShuffles / 24.0;
  double chiSquare = 0;
  for (const auto& [order, n] : orders) chiSquare += (n - expected) * (n - expected) / expected;
  // 23 degrees of freedom: a mean of 23, a standard deviation of 6.8.
  EXPECT_LT(chiSquare, 23 + 6 * 6.8);

  constexpr std::uint64_t kThird = std::uint64_t{1} << 62;
  constexpr int kDraws = 30000;
  int low = 0;
  for (int i = 0; i < kDraws; ++i) {
    const std::uint64_t value = random.Below(3 * kThird);
    ASSERT_LT(value, 3 * kThird);
    low += value < kThird;
  }
  EXPECT_NEAR(low / static_cast<double>(kDraws), 1 / 3.0, 0.02);

  const std::uint64_t kShares[][2] = {{1, 0}, {0, 1}, {1, 1},   {1, 2},
                                      {2, 1}, {3, 5}, {1, 999}, {1, std::uint64_t{1} << 40}};
  for (const auto& [first, second] : kShares) {
    int taken = 0;
    for (int i = 0; i < kDraws; ++i) taken += random.TakesFirst(first, second);
    EXPECT_NEAR(taken / static_cast<double>(kDraws),
                static_cast<double>(first) / static_cast<double>(first + second), 0.01)
        << first << " of " << first + second;
  }
}

}  // namespace
}  // namespace vantor
