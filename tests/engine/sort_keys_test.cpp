#include "engine/sort_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/ordering.h"
#include "tests/support/sort_lines.h"

namespace vantor {
namespace {

using testing::Lines;
using testing::RandomTexts;

int Sign(int v) { return (v > 0) - (v < 0); }

// The string a line is sorted by: the line, or its domain part, a 0 byte and its user part.
std::string SortStringOf(const LineRecord& r, RearrangeMode mode) {
  const std::string line = Lines::Text(r);
  if (mode != RearrangeMode::kSortByDomain) return line;
  return line.substr(static_cast<std::size_t>(r.key)) + '\0' +
         line.substr(0, static_cast<std::size_t>(r.key));
}

SortKey KeyOf(const LineRecord& r, RearrangeMode mode, bool fold, std::uint32_t depth) {
  return SortKeyOf(r.text, static_cast<std::uint32_t>(r.length), KeyOrder{mode, fold, depth});
}

// Where two keys differ they must order the lines as the comparator does: the keys from
// the first byte, and for lines whose first keys are equal, the keys from byte 16. A
// bucket's lines then all sort after those of the buckets before it.
TEST(SortKeyTest, OrdersAsTheComparatorWhereKeysDiffer) {
  std::mt19937 random(5);
  for (std::int32_t m = 0; m < 2; ++m) {
    for (const bool fold : {false, true}) {
      const auto mode = static_cast<RearrangeMode>(m);
      const std::vector<std::string> texts = RandomTexts(random, 700, /*withNul=*/false);
      Lines lines(texts, m);
      const LineComparator cmp = ComparatorFor(mode, fold);
      int settledDeeper = 0;
      for (const LineRecord& a : lines.records) {
        for (const LineRecord& b : lines.records) {
          SortKey ka = KeyOf(a, mode, fold, 0), kb = KeyOf(b, mode, fold, 0);
          if (ka == kb) {
            ka = KeyOf(a, mode, fold, 16);
            kb = KeyOf(b, mode, fold, 16);
            if (ka == kb) continue;
            ++settledDeeper;
          }
          ASSERT_EQ(ka < kb ? -1 : 1, Sign(cmp(a, b)))
              << ::testing::PrintToString(Lines::Text(a)) << " vs "
              << ::testing::PrintToString(Lines::Text(b)) << " mode " << m << " fold " << fold;
        }
      }
      EXPECT_GT(settledDeeper, 0);
    }
  }
}

// Sorted lines fall in ranges that never go back; each range's lines agree on the bytes
// it says they share, a range of one key holds lines of that key only, and one of one
// line (keys past the end of the lines) holds copies of one line.
TEST(KeyRangesTest, CutSortedLinesIntoAscendingRanges) {
  std::mt19937 random(9);
  for (std::int32_t m = 0; m < 2; ++m) {
    for (const std::uint32_t depth : {0u, 16u}) {
      const auto mode = static_cast<RearrangeMode>(m);
      std::vector<std::string> texts = RandomTexts(random, 3000, /*withNul=*/false);
      // A heavy line, and at 16 bytes deep one that ends there.
      texts.insert(texts.end(), 900, m == 0 ? "user.name@x" : "x@sharedlongdomain.");
      if (depth > 0) texts.insert(texts.end(), 900, "prefixlongerthan");
      Lines lines(texts, m);
      const LineComparator cmp = ComparatorFor(mode);
      std::stable_sort(lines.records.begin(), lines.records.end(),
                       [cmp](const LineRecord& a, const LineRecord& b) { return cmp(a, b) < 0; });
      // Deeper keys are taken of lines that agree on the bytes before them.
      if (depth > 0) {
        const auto ends =
            std::find_if(lines.records.begin(), lines.records.end(),
                         [](const LineRecord& r) { return Lines::Text(r) == "prefixlongerthan"; });
        const SortKey shared = KeyOf(*ends, mode, false, 0);
        std::erase_if(lines.records,
                      [&](const LineRecord& r) { return KeyOf(r, mode, false, 0) != shared; });
      }
      std::vector<SortKey> sample;
      for (std::size_t i = 0; i < lines.records.size(); i += 1 + random() % 5) {
        sample.push_back(KeyOf(lines.records[i], mode, false, depth));
      }
      const KeyRanges ranges(KeyOrder{mode, false, depth}, sample, 12, 40);
      ASSERT_LE(ranges.count(), 40u);

      std::vector<std::vector<LineRecord>> dealt(ranges.count());
      std::size_t last = 0;
      for (const LineRecord& r : lines.records) {
        const std::size_t at = ranges.RangeOf(r.text, static_cast<std::uint32_t>(r.length));
        ASSERT_GE(at, last) << Lines::Text(r);
        dealt[at].push_back(r);
        last = at;
      }
      int oneKey = 0, oneLine = 0;
      for (std::size_t r = 0; r < dealt.size(); ++r) {
        if (dealt[r].empty()) continue;
        const std::uint32_t shared = ranges.SharedBytes(r);
        ASSERT_GE(shared, depth);
        const std::string first = SortStringOf(dealt[r].front(), mode) + std::string(shared, '\0');
        for (const LineRecord& line : dealt[r]) {
          const std::string s = SortStringOf(line, mode) + std::string(shared, '\0');
          ASSERT_EQ(s.substr(0, shared), first.substr(0, shared)) << r;
          if (ranges.HoldsOneKey(r)) {
            ASSERT_EQ(KeyOf(line, mode, false, depth), KeyOf(dealt[r].front(), mode, false, depth));
          }
          if (ranges.HoldsOneString(r)) {
            ASSERT_EQ(Lines::Text(line), Lines::Text(dealt[r].front()));
          }
        }
        oneKey += ranges.HoldsOneKey(r);
        oneLine += ranges.HoldsOneString(r);
      }
      EXPECT_GT(oneKey, 0) << "the heavy line has a range of its own";
      EXPECT_EQ(oneLine > 0, depth > 0);
    }
  }
}

}  // namespace
}  // namespace vantor
