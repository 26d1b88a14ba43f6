#include "wizard/framework/utf8.h"

#include <gtest/gtest.h>

namespace vantor::framework {
namespace {

constexpr char kBad[] = "\xEF\xBF\xBD";  // U+FFFD

TEST(Utf8Test, ValidUtf8KeepsEveryCharacterAndMarksEveryStrayByte) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"plain/list.txt", "plain/list.txt"},
      {"\xC3\xA9t\xC3\xA9 \xE2\x80\xA6 \xF0\x9F\x93\xA7",
       "\xC3\xA9t\xC3\xA9 \xE2\x80\xA6 \xF0\x9F\x93\xA7"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"caf\xE9.txt", std::string("caf") + kBad + ".txt"},           // Latin-1
      {"\x80\xBF", std::string(kBad) + kBad},                        // stray continuations
      {"\xC0\xAF", std::string(kBad) + kBad},                        // overlong '/'
      {"\xE0\x80\xAF", std::string(kBad) + kBad + kBad},             // overlong, three bytes
      {"\xED\xA0\x80", std::string(kBad) + kBad + kBad},             // a surrogate
      {"\xF4\x90\x80\x80", std::string(kBad) + kBad + kBad + kBad},  // beyond U+10FFFF
      {"\xE2\x80", std::string(kBad) + kBad},                        // cut short at the end
      {"\xE2\x80x", std::string(kBad) + kBad + "x"},                 // cut short before ASCII
      {"\xFF\xFE", std::string(kBad) + kBad},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    EXPECT_EQ(ValidUtf8(c.in), c.out);
  }
}

TEST(Utf8Test, ElideMiddleCountsCharactersNotBytes) {
  const std::string e = "\xC3\xA9";  // one character, two bytes
  const struct {
    std::string in;
    std::size_t ends;
    std::string out;
  } cases[] = {
      {"abcde", 2, "abcde"},  // 2 * 2 + 1: as it is
      {"abcdef", 2,
       "ab\xE2\x80\xA6"
       "ef"},
      {e + e + e + e + e, 2, e + e + e + e + e},  // ten bytes, five characters
      {e + e + "x" + e + e + "y", 2, e + e + "\xE2\x80\xA6" + e + "y"},
      {"", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ElideMiddle(c.in, c.ends), c.out);
  }
}

}  // namespace
}  // namespace vantor::framework
