#include "engine/filter_matcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/filter.h"
#include "engine/list_reader.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using namespace std::string_literals;
using testing::TempDir;
using testing::WriteFile;

using Strings = std::vector<std::string>;

// What a match means: strstr of each fragment in the upper-cased, NUL-terminated copy
// of the address. An empty fragment is ignored rather than found everywhere.
bool ReferenceMatches(const Strings& fragments, const std::string& text, std::size_t n) {
  std::string copy = text.substr(0, n);
  for (char& c : copy) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const std::string& fragment : fragments) {
    if (!fragment.empty() && std::strstr(copy.c_str(), fragment.c_str()) != nullptr) return true;
  }
  return false;
}

bool MatcherMatches(const Strings& fragments, const std::string& text, std::size_t n) {
  std::vector<std::string_view> views(fragments.begin(), fragments.end());
  return FilterMatcher(views).Matches(text.data(), n);
}

struct MatchCase {
  Strings fragments;
  std::string text;
  bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.fragments) << " in " << ::testing::PrintToString(c.text);
}

class FilterMatcherCaseTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(FilterMatcherCaseTest, AgreesWithStrstr) {
  const MatchCase& c = GetParam();
  ASSERT_EQ(ReferenceMatches(c.fragments, c.text, c.text.size()), c.matches);
  EXPECT_EQ(MatcherMatches(c.fragments, c.text, c.text.size()), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Case, FilterMatcherCaseTest,
    ::testing::Values(
        // Letter case, at either end, in the middle and around the '@'.
        MatchCase{{"JOE"}, "joe@example.com", true},
        MatchCase{{"EXAMPLE"}, "joe@eXaMpLe.com", true},
        MatchCase{{".COM"}, "joe@example.Com", true}, MatchCase{{"E@E"}, "joe@example.com", true},
        MatchCase{{"@EXAMPLE.COM"}, "joe@example.co", false}, MatchCase{{"JOE"}, "jo@e.com", false},
        // Only ASCII letters fold: '{' is not '[', '`' is not '@', bytes >= 128 stay.
        MatchCase{{"[", "@"}, "a{b`c", false}, MatchCase{{"\xC9"}, "caf\xE9", false},
        MatchCase{{"\xC9@"}, "caf\xC9@x", true}, MatchCase{{"\xFF"}, "a\xFF", true},
        // Fragments inside one another, and overlaps that need the failure links.
        MatchCase{{"ABCD", "ABC"}, "xabx", false}, MatchCase{{"ABCD", "ABC"}, "xabcx", true},
        MatchCase{{"ABC", "ABCD"}, "xabcx", true}, MatchCase{{"ABCDE", "BCD"}, "abcdx", true},
        MatchCase{{"ABCDE", "CDF"}, "abcdf", true}, MatchCase{{"BCD", "ABCDE"}, "abcd", true},
        MatchCase{{"XYZ", "Z"}, "aaz", true}, MatchCase{{"AAB"}, "aaab", true},
        MatchCase{{"ABAB"}, "abaab", false}, MatchCase{{"ABAB"}, "abaabab", true},
        MatchCase{{"ABAC", "BAB"}, "abab", true}, MatchCase{{"ABAC", "BABX"}, "ababx", true},
        // A NUL ends the address.
        MatchCase{{"BC"}, "a\0bc"s, false}, MatchCase{{"AB"}, "ab\0c"s, true},
        MatchCase{{"B"}, "\0b"s, false},
        // Nothing to find.
        MatchCase{{}, "anything", false}, MatchCase{{""}, "anything", false},
        MatchCase{{"A"}, "", false}));

TEST(FilterMatcherTest, LooksOnlyAtTheFirstNBytes) {
  EXPECT_FALSE(MatcherMatches({"BC"}, "abc", 2));
  EXPECT_TRUE(MatcherMatches({"AB"}, "abc", 2));
  EXPECT_FALSE(MatcherMatches({"A"}, "abc", 0));
}

TEST(FilterMatcherTest, MatchesStrstrOnRandomFragmentsAndAddresses) {
  // Small alphabets and many fragments make fragments overlap, nest and share suffixes.
  struct Shape {
    std::string fragmentBytes;
    std::size_t fragments;
    std::size_t maxLength;
  };
  const Shape shapes[] = {{"AB", 1, 6},       {"AB", 20, 8},         {"AB", 300, 14},
                          {"AB@", 300, 10},   {"ABC", 5, 4},         {"ABC.", 400, 9},
                          {"A\xE0@", 200, 8}, {"ABCDEFGH@.", 500, 6}};
  int matched = 0;
  int unmatched = 0;
  for (std::uint32_t seed = 1; seed <= 400; ++seed) {
    std::mt19937 rng(seed);
    const Shape& shape = shapes[seed % std::size(shapes)];
    Strings fragments(1 + rng() % shape.fragments);
    for (std::string& fragment : fragments) {
      fragment.resize(1 + rng() % shape.maxLength);
      for (char& b : fragment) b = shape.fragmentBytes[rng() % shape.fragmentBytes.size()];
    }
    std::vector<std::string_view> views(fragments.begin(), fragments.end());
    const FilterMatcher matcher(views);

    // Addresses over the fragments' bytes in both cases, with a few bytes that are in
    // no fragment and a rare NUL.
    std::string textBytes = shape.fragmentBytes + "abcdefgh" + "x@\xE1";
    // The same addresses are then searched as lines.
    std::vector<std::string_view> texts;
    std::vector<char> expectedMarks;
    std::vector<std::string> held(200);
    for (int t = 0; t < 200; ++t) {
      std::string text(rng() % 40, '\0');
      for (char& b : text) {
        b = rng() % 50 == 0 ? '\0' : textBytes[rng() % textBytes.size()];
      }
      const std::size_t n = rng() % 4 == 0 ? rng() % (text.size() + 1) : text.size();
      const bool expected = ReferenceMatches(fragments, text, n);
      held[t] = text;
      texts.emplace_back(held[t].data(), n);
      expectedMarks.push_back(expected);
      if (matcher.Matches(text.data(), n) != expected) {
        ADD_FAILURE() << "seed " << seed << ": " << ::testing::PrintToString(fragments) << " in "
                      << ::testing::PrintToString(text.substr(0, n)) << ", expected " << expected;
        return;
      }
      ++(expected ? matched : unmatched);
    }
    // The same addresses as lines of a chunk, every third ending in CR LF.
    std::string chunk;
    std::vector<std::size_t> lineEnds;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      chunk.append(texts[i]);
      if (i % 3 == 0) chunk += '\r';
      lineEnds.push_back(chunk.size());
      chunk += '\n';
    }
    std::vector<std::uint8_t> flags(chunk.size(), 7);
    matcher.MarkLines(chunk.data(), chunk.data() + chunk.size(), flags.data());
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (flags[lineEnds[i]] != expectedMarks[i]) {
        ADD_FAILURE() << "seed " << seed << ", as lines: " << ::testing::PrintToString(fragments)
                      << " in " << ::testing::PrintToString(std::string(texts[i])) << ", expected "
                      << int{expectedMarks[i]};
        return;
      }
    }
  }
  // Both answers must be common, or the comparison proves little.
  EXPECT_GT(matched, 10000);
  EXPECT_GT(unmatched, 10000);
}

struct PrepareCase {
  const char* name;
  std::string file;
  Strings fragments;
};

class PrepareFilterLinesTest : public ::testing::TestWithParam<PrepareCase> {};

TEST_P(PrepareFilterLinesTest, TurnsFilterLinesIntoFragments) {
  const PrepareCase& c = GetParam();
  TempDir dir;
  WriteFile(dir.File("filter.txt"), c.file);
  ListReader reader(Env::Default(), NoKey);
  reader.Open(dir.File("filter.txt"), 64);
  Strings fragments;
  while (reader.ReadChunk()) {
    std::vector<std::string_view> views{"KEPT"};
    const std::size_t added = PrepareFilterLines(reader.lines(), &views);
    ASSERT_EQ(views.size(), added + 1);
    EXPECT_EQ(views[0], "KEPT");
    fragments.insert(fragments.end(), views.begin() + 1, views.end());
  }
  EXPECT_EQ(fragments, c.fragments);
}

INSTANTIATE_TEST_SUITE_P(
    Case, PrepareFilterLinesTest,
    ::testing::Values(
        PrepareCase{"UpperCased", "Joe@Example.com\n\xE9x\n", {"JOE@EXAMPLE.COM", "\xE9X"}},
        PrepareCase{"SpacesTrimmed", "  a b  \n", {"A B"}},
        PrepareCase{"TabsKept", "\tab\t\n \tc \n", {"\tAB\t", "\tC"}},
        PrepareCase{"CrDropped", "ab\r\n cd \r\nef", {"AB", "CD", "EF"}},
        PrepareCase{"OnlyOneCrDropped", "ab\r\r\n", {"AB\r"}},
        PrepareCase{"CrDroppedInLfStyleFile", "ab\ncd\r\n", {"AB", "CD"}},
        PrepareCase{"BlankLinesSkipped", "   \n \r\nx\n\n", {"X"}},
        PrepareCase{"LeadingNulSkipped", "\0abc\n  \0abc\nd\n"s, {"D"}},
        PrepareCase{"NulCutsFragment", "ab\0cd\n"s, {"AB"}}),
    [](const ::testing::TestParamInfo<PrepareCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vantor
