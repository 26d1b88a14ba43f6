// UTF-8 and UTF-16: known texts both ways, lone surrogates, and random texts against
// ValidUtf8.
#include "wizard/framework/win32/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "wizard/framework/utf8.h"

namespace vantor::framework::win32 {
namespace {

TEST(TextTest, KnownTextsBothWays) {
  const struct {
    std::string utf8;
    std::wstring utf16;
  } cases[] = {
      {"list.txt", L"list.txt"},
      {"\xC3\xA9\xE2\x82\xAC", L"\u00E9\u20AC"},  // two and three bytes
      {"a\xF0\x9F\x93\xA7z", L"a\xD83D\xDCE7z"},  // four bytes: a pair
      {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},      // U+10FFFF
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.utf8));
    EXPECT_EQ(Widen(c.utf8), c.utf16);
    EXPECT_EQ(Narrow(c.utf16), c.utf8);
  }
  EXPECT_EQ(Widen("\xE2\x82x"), L"\uFFFD\uFFFDx");  // as ValidUtf8: one per stray byte
}

TEST(TextTest, LoneSurrogatesNarrowToReplacementCharacters) {
  const std::string bad = "\xEF\xBF\xBD";
  const struct {
    std::wstring utf16;
    std::string utf8;
  } cases[] = {
      {L"\xD83D", bad},                                   // a high one at the end
      {L"\xD83Dx", bad + "x"},                            // a high one before another unit
      {L"\xDCE7\xD83D", bad + bad},                       // a pair the wrong way round
      {L"\xD83D\xD83D\xDCE7", bad + "\xF0\x9F\x93\xA7"},  // a high one, then a pair
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.utf8));
    EXPECT_EQ(Narrow(c.utf16), c.utf8);
  }
}

TEST(TextTest, RandomTextsRoundTrip) {
  std::mt19937 random(29);
  for (int round = 0; round < 2000; ++round) {
    // Bytes mostly of the ranges UTF-8 is made of come back as ValidUtf8 makes them.
    std::string bytes(random() % 24, '\0');
    for (char& b : bytes) b = static_cast<char>((random() % 4) * 0x40 + random() % 0x40);
    ASSERT_EQ(Narrow(Widen(bytes)), ValidUtf8(bytes)) << ::testing::PrintToString(bytes);

    // Well-formed UTF-16, pairs included, comes back as it was.
    std::wstring wide;
    for (std::size_t n = random() % 12; n > 0; --n) {
      if (random() % 2 == 0) {
        wide.push_back(static_cast<wchar_t>(random() % 0xD800));
      } else {
        const char32_t beyond = random() % 0x100000;  // a character past U+FFFF, less 0x10000
        wide.push_back(static_cast<wchar_t>(0xD800 + (beyond >> 10)));
        wide.push_back(static_cast<wchar_t>(0xDC00 + (beyond & 0x3FF)));
      }
    }
    ASSERT_EQ(Widen(Narrow(wide)), wide);
  }
}

}  // namespace
}  // namespace vantor::framework::win32
