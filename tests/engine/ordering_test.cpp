#include "engine/ordering.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/sort_lines.h"

namespace vantor {
namespace {

using testing::Lines;
using testing::RandomTexts;

using namespace std::string_literals;

int Sign(int v) { return (v > 0) - (v < 0); }

struct Case {
  std::string a, b;
  std::int32_t mode;
  int expected;  // sign of compare(a, b)
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.a) << " vs " << ::testing::PrintToString(c.b) << " mode "
      << c.mode;
}

class ComparatorTest : public ::testing::TestWithParam<Case> {};

TEST_P(ComparatorTest, OrdersAsTheByteStringOrderSays) {
  const Case& c = GetParam();
  Lines lines({c.a, c.b}, c.mode);
  LineComparator cmp = ComparatorFor(static_cast<RearrangeMode>(c.mode));
  EXPECT_EQ(Sign(cmp(lines.records[0], lines.records[1])), c.expected);
  EXPECT_EQ(Sign(cmp(lines.records[1], lines.records[0])), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ComparatorTest,
    ::testing::Values(
        Case{"b@x", "a@y", 0, 1}, Case{"b@x", "a@y", 1, -1}, Case{"ann@x", "ann@x.y", 0, -1},
        Case{"ann@x", "ann@x.y", 1, -1}, Case{"jo@x", "john@x", 1, -1},
        Case{"john@x", "jo@x", 0, 1}, Case{"Bob@x", "alice@x", 0, -1}, Case{"z@X", "a@x", 1, -1},
        // The first '@' splits: domains "@b@d" and "@c".
        Case{"a@b@d", "z@c", 1, -1}, Case{"a@b@d", "a@b", 1, 1},
        // A line without '@' is all domain part.
        Case{"123abc", "a@x", 1, -1}, Case{"123abc", "@", 1, -1}, Case{"xyz", "zz@zz", 1, 1},
        Case{"@x", "x", 1, -1}, Case{"@x", "a@x", 1, -1}, Case{"ann@x\r", "ann@x.y\r", 0, -1},
        Case{"ann@x\r", "ann@x.y\r", 1, -1}, Case{"\r", "a@x\r", 0, -1}, Case{"\r", "a@x\r", 1, -1},
        Case{"\r", "@\r", 1, -1}, Case{"same@x", "same@x", 0, 0}, Case{"same@x", "same@x", 1, 0},
        Case{"Same@x", "same@x", 0, -1}, Case{"same@X", "same@x", 1, -1},
        // Unsigned bytes; differences past the first eight and sixteen bytes.
        Case{"\xe9@x", "z@x", 0, 1}, Case{"a@\xff", "a@z", 1, 1},
        Case{"abcdefghijklmnopq@x", "abcdefghijklmnopr@x", 0, -1},
        Case{"u@abcdefghijklmnopq", "u@abcdefghijklmnop", 1, 1},
        Case{"zz@abcdefghijk", "aa@abcdefghijk", 1, 1},
        // A NUL both hold ends the scan: the lengths decide.
        Case{"a\0x"s, "a\0y"s, 0, 0}, Case{"a\0z"s, "a\0yy"s, 0, -1},
        Case{"abcdefghij\0z"s, "abcdefghij\0a"s, 0, 0}, Case{"a\0"s, "aa", 0, -1},
        Case{"a\0"s, "a", 0, 1}, Case{"u@d\0x"s, "v@d\0y"s, 1, -1}));

// The sort of a part must order as the comparator does and move whole records only.
TEST(PartSorterTest, AgreesWithAStableSortByTheComparator) {
  std::mt19937 random(11);
  PartSorter sorter;  // one for all: its kept memory must not leak into the next part
  for (int round = 0; round < 402; ++round) {
    const std::int32_t mode = round % 2;
    const bool withNul = round % 5 == 4;
    const bool fold = round % 3 == 1;  // the order with letter case folded
    // The first two rounds are parts large enough to be sorted on two threads, the last
    // two parts of so many lines that they are sorted as the smaller items.
    const std::size_t count = round >= 400     ? 1100000
                              : round < 2      ? 100000
                              : round % 50 < 2 ? 3000
                                               : random() % 120;
    std::vector<std::string> texts = RandomTexts(random, count, withNul);
    Lines lines(texts, mode);
    LineComparator cmp = ComparatorFor(static_cast<RearrangeMode>(mode), fold);

    std::vector<LineRecord> expected = lines.records;
    std::stable_sort(expected.begin(), expected.end(),
                     [cmp](const LineRecord& a, const LineRecord& b) { return cmp(a, b) < 0; });
    std::vector<LineRecord> actual = lines.records;
    sorter.Sort(actual.data(), actual.size(), static_cast<RearrangeMode>(mode), fold);

    // A permutation of the records, each moved whole.
    auto sortedRecords = [](const std::vector<LineRecord>& records) {
      std::vector<std::tuple<const char*, std::int32_t, std::int32_t>> p;
      for (const LineRecord& r : records) p.emplace_back(r.text, r.key, r.length);
      std::sort(p.begin(), p.end());
      return p;
    };
    ASSERT_EQ(sortedRecords(actual), sortedRecords(lines.records)) << "round " << round;
    for (std::size_t i = 0; i < count; ++i) {
      const LineRecord& a = actual[i];
      if (withNul) {
        // Lines equal under the order may differ in their bytes after a NUL.
        ASSERT_EQ(cmp(a, expected[i]), 0) << "round " << round << " at " << i;
      } else {
        ASSERT_EQ(Lines::Text(a), Lines::Text(expected[i])) << "round " << round << " at " << i;
      }
      if (i > 0) {
        ASSERT_LE(cmp(actual[i - 1], a), 0) << "round " << round << " at " << i;
      }
    }
  }
}

// What the merges settle by prefixes alone must agree with the comparator: the first
// eight bytes when they differ, else the next eight.
TEST(SortPrefixTest, OrdersAsTheComparatorWhereItSettles) {
  std::mt19937 random(17);
  for (std::int32_t mode = 0; mode < 2; ++mode) {
    for (const int variant : {0, 1, 2, 3}) {
      const bool withNul = variant % 2 == 1;
      const bool fold = variant >= 2;
      std::vector<std::string> texts = RandomTexts(random, 600, withNul);
      Lines lines(texts, mode);
      const auto order = static_cast<RearrangeMode>(mode);
      LineComparator cmp = ComparatorFor(order, fold);
      int settledByNext = 0;
      for (const LineRecord& a : lines.records) {
        for (const LineRecord& b : lines.records) {
          bool aExact, bExact, aNextExact, bNextExact;
          const std::uint64_t aFirst = SortPrefix(a, order, &aExact, 0, fold);
          const std::uint64_t bFirst = SortPrefix(b, order, &bExact, 0, fold);
          const std::uint64_t aNext = SortPrefix(a, order, &aNextExact, 8, fold);
          const std::uint64_t bNext = SortPrefix(b, order, &bNextExact, 8, fold);
          if (!aExact || !bExact) continue;
          int sign = 0;
          if (aFirst != bFirst) {
            sign = aFirst < bFirst ? -1 : 1;
          } else if (aNextExact && bNextExact && aNext != bNext) {
            sign = aNext < bNext ? -1 : 1;
            ++settledByNext;
          } else {
            continue;
          }
          ASSERT_EQ(sign, Sign(cmp(a, b)))
              << ::testing::PrintToString(Lines::Text(a)) << " vs "
              << ::testing::PrintToString(Lines::Text(b)) << " mode " << mode;
        }
      }
      EXPECT_GT(settledByNext, 0);
    }
  }
}

TEST(PartSorterTest, GivesTheSameOrderForTheSameInput) {
  std::mt19937 random(5);
  for (std::int32_t mode = 0; mode < 2; ++mode) {
    std::vector<std::string> texts = RandomTexts(random, 400, mode == 0);
    Lines lines(texts, mode);
    std::vector<LineRecord> first = lines.records;
    std::vector<LineRecord> second = lines.records;
    PartSorter().Sort(first.data(), first.size(), static_cast<RearrangeMode>(mode));
    PartSorter reused;
    std::vector<LineRecord> other = lines.records;
    reused.Sort(other.data(), 100, static_cast<RearrangeMode>(mode));
    reused.Sort(second.data(), second.size(), static_cast<RearrangeMode>(mode));
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(first[i].text, second[i].text);
  }
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// Runs `work` on a thread with a small stack, as the wizard's worker has.
void OnSmallStack(std::function<void()> work) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 << 10);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    (*static_cast<std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(PartSorterStackTest, LinesSharingLongPrefixesSortOnASmallStack) {
  // Regression: the radix sort went one call deeper for every byte the lines shared,
  // and 100 equal lines of 150 bytes overflowed the worker's stack.
  std::vector<std::string> texts;
  for (int i = 0; i < 2000; ++i) {
    texts.push_back(std::string(3000, 'a') + std::to_string(i % 7) + "@x" +
                    std::string(i % 3, 'b'));
  }
  std::vector<LineRecord> records;
  for (std::string& text : texts) {
    text.push_back('\n');
    records.push_back(LineRecord{text.data(), static_cast<std::int32_t>(text.find('@')),
                                 static_cast<std::int32_t>(text.size() - 1)});
  }
  for (int mode : {0, 1}) {
    std::vector<LineRecord> sorted = records;
    OnSmallStack(
        [&] { PartSorter().Sort(sorted.data(), sorted.size(), static_cast<RearrangeMode>(mode)); });
    LineComparator cmp = ComparatorFor(static_cast<RearrangeMode>(mode));
    for (std::size_t i = 1; i < sorted.size(); ++i) ASSERT_LE(cmp(sorted[i - 1], sorted[i]), 0);
  }
}

}  // namespace
}  // namespace vantor
