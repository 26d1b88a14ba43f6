#include "engine/filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/runner.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::WriteFile;
using Names = std::vector<std::string>;

// One filter action on the files of the shared fixture, with filter.txt beside them.
class FilterTest : public testing::ActionTest {
 protected:
  FilterTest() {
    job_.filterFileName = dir_.File("filter.txt");
    job_.filterOn = true;
  }

  // Runs the job; returns the error text, empty when the run completed.
  std::string Run(const std::string& list, const std::string& filter) {
    WriteFile(dir_.File("in.txt"), list);
    WriteFile(dir_.File("filter.txt"), filter);
    return RunAgain();
  }

  // The paragraph of a completed run.
  static std::string Report(int denied, int total) {
    return "Filter list:\r\n" + std::to_string(denied) + " email(s) denied from the list of " +
           std::to_string(total) + " emails while filtering\r\n\r\n";
  }
};

TEST_F(FilterTest, AFragmentMatchesInAnyCaseAtAnyPlace) {
  ASSERT_EQ(Run("Spam@x.com\nme@SPAM.org\nmyspamit@x.com\nx@y.sPaM\nclean@ok.com\n", "spam\n"), "");
  EXPECT_EQ(Output(), "clean@ok.com\n");
  EXPECT_EQ(job_.resultsText, Report(4, 5));
}

TEST_F(FilterTest, SpacesAroundAFragmentAreTrimmedButNotTabsOrInnerSpaces) {
  ASSERT_EQ(Run("a b@x.com\nab@x.com\nc@x.com\t\nc@x.com\n", "  a b  \r\n\tc@x.com\n"), "");
  EXPECT_EQ(Output(), "ab@x.com\nc@x.com\t\nc@x.com\n");
}

TEST_F(FilterTest, AnAddressKeepsItsTrailingSpaceAndItTakesPartInTheMatch) {
  // The fragment is "X.COM": it matches an address without a space after it.
  ASSERT_EQ(Run("a@y.com \nb@x.com\n", "x.com \n"), "");
  EXPECT_EQ(Output(), "a@y.com \n");
  EXPECT_EQ(job_.resultsText, Report(1, 2));
}

TEST_F(FilterTest, EmptyAndBlankFiltersRemoveNothing) {
  const std::vector<std::string> filters = {"", "\n\n", "   \n \r\n", std::string("\0abc\n", 5)};
  for (const std::string& filter : filters) {
    ASSERT_EQ(Run("a@x.com\nb@y.com\n", filter), "");
    EXPECT_EQ(Output(), "a@x.com\nb@y.com\n") << "filter: " << filter;
  }
}

TEST_F(FilterTest, AFilterLineThatStartsWithANulByteMatchesNothing) {
  ASSERT_EQ(Run("a@x.com\nb@y.com\n", std::string("  \0x\nnothing\n", 13)), "");
  EXPECT_EQ(Output(), "a@x.com\nb@y.com\n");
}

TEST_F(FilterTest, ANulByteEndsAFragmentAndAnAddress) {
  ASSERT_EQ(Run(std::string("ab\0spam@x\nabc@x\nspam\n", 20), std::string("ab\0zzz\nspam\n", 12)),
            "");
  // The first address is "ab" up to its NUL: it holds "AB" but not "SPAM".
  EXPECT_EQ(Output(), "");
  ASSERT_EQ(Run(std::string("x\0spam@x\nok@x\n", 14), "spam\n"), "");
  EXPECT_EQ(Output(), std::string("x\0spam@x\nok@x\n", 14));
}

TEST_F(FilterTest, BlankLinesOfCrLfListsAreCountedButNeverWritten) {
  ASSERT_EQ(Run("a@x.com\r\n\r\nspam@x.com\r\n\r\nb@y.com", "spam"), "");
  EXPECT_EQ(Output(), "a@x.com\r\nb@y.com\r\n");
  EXPECT_EQ(job_.resultsText, Report(1, 5));

  ASSERT_EQ(Run("a@x.com\n\n\nspam@x.com\nb@y.com", "spam"), "");
  EXPECT_EQ(Output(), "a@x.com\nb@y.com\n");
  EXPECT_EQ(job_.resultsText, Report(1, 3));
}

TEST_F(FilterTest, PostsItsProgressTextsInOrder) {
  std::string list;
  for (int i = 0; i < 25000; ++i) list += "user" + std::to_string(i) + "@x.com\n";
  env_.SetTick(1000);  // a clock that stands still: only every 10,000th address posts
  ASSERT_EQ(Run(list, "nomatch\n"), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO2), (Names{"0 email(s) processed...", "10000 email(s) processed...",
                                           "20000 email(s) processed...", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Check filter file...", "Reading emails...", "25000 email(s) read, filtering...",
                   "Reading emails...", "Renaming temporary file into output file...", ""}));
}

TEST_F(FilterTest, PostsProgressWhenTwoSecondsHavePassed) {
  std::string list;
  for (int i = 0; i < 3000; ++i) list += "u" + std::to_string(i) + "@x.com\n";
  // Every reading of the clock is 1.1 s later; the clock is read at the start, after
  // each post and at every 1,024th address.
  env_.SetTick(0, 1100);
  ASSERT_EQ(Run(list, "nomatch\n"), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO2),
            (Names{"0 email(s) processed...", "2048 email(s) processed...", ""}));
}

// The list and filter of the differential tests: short lines over a small alphabet so
// that fragments match often and overlap.
std::string RandomLines(std::mt19937& random, int lines, int maxLength, bool mayBeEmpty) {
  static const char kAlphabet[] = "abAB@.c \r";
  std::string text;
  for (int i = 0; i < lines; ++i) {
    int length = static_cast<int>(random() % (maxLength + 1));
    if (!mayBeEmpty && length == 0) length = 1;
    for (int k = 0; k < length; ++k) text += kAlphabet[random() % (sizeof kAlphabet - 1)];
    text += random() % 4 == 0 ? "\r\n" : "\n";
  }
  return text;
}

// The filter's meaning, written as plainly as possible: every line of the list that
// holds, ignoring case, any trimmed line of the filter is dropped.
std::string Reference(const std::string& list, const std::string& filter, int* denied, int* total) {
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  std::vector<std::string> fragments;
  std::size_t pos = 0;
  while (pos < filter.size()) {
    std::size_t lf = filter.find('\n', pos);
    std::string line = filter.substr(pos, lf - pos);
    pos = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    fragments.push_back(upper(line));
  }
  std::string out;
  *denied = *total = 0;
  pos = 0;
  while (pos < list.size()) {
    std::size_t lf = list.find('\n', pos);
    std::string line = list.substr(pos, lf - pos);
    pos = lf + 1;
    if (line.empty()) continue;
    ++*total;
    std::string address = line;
    if (address.back() == '\r') address.pop_back();
    if (address.empty()) continue;
    std::string text = upper(address);
    bool deny = false;
    for (const std::string& f : fragments) deny = deny || std::strstr(text.c_str(), f.c_str());
    if (deny) {
      ++*denied;
    } else {
      out += line + "\n";
    }
  }
  return out;
}

TEST_F(FilterTest, MatchesAPlainReferenceWhetherTheFilterIsHeldOrReadAgain) {
  std::mt19937 random(7);
  struct Mode {
    std::uint32_t listChunk, filterChunk;
    std::size_t batch, inMemory;
  };
  const Mode modes[] = {
      {1 << 20, 1 << 20, 16 << 20, 32 << 20},  // in memory, one batch
      {64, 32, 200, 1 << 20},                  // many chunks and batches, in memory
      {64, 32, 200, 300},                      // read again for every list chunk
  };
  for (int round = 0; round < 30; ++round) {
    std::string list = RandomLines(random, 200, 12, true);
    std::string filter = RandomLines(random, 1 + random() % 40, 4, true);
    int denied = 0, total = 0;
    std::string expected = Reference(list, filter, &denied, &total);
    for (const Mode& mode : modes) {
      job_.chunkSizes.list = mode.listChunk;
      job_.chunkSizes.filter = mode.filterChunk;
      job_.chunkSizes.filterBatchTable = mode.batch;
      job_.chunkSizes.filterInMemory = mode.inMemory;
      ASSERT_EQ(Run(list, filter), "");
      ASSERT_EQ(Output(), expected) << "round " << round << " list chunk " << mode.listChunk;
      ASSERT_EQ(job_.resultsText, Report(denied, total));
    }
  }
}

TEST_F(FilterTest, LongFragmentsAreFoundInLongAddresses) {
  std::string fragment(5000, 'q');
  std::string longAddress = "a" + std::string(5000, 'Q') + "@x.com";
  ASSERT_EQ(Run("short@x.com\n" + longAddress + "\n" + std::string(4999, 'q') + "\n",
                "zz\n" + fragment + "\n"),
            "");
  EXPECT_EQ(Output(), "short@x.com\n" + std::string(4999, 'q') + "\n");
}

TEST_F(FilterTest, AMissingFilterFailsBeforeAnyTemporaryFileExists) {
  WriteFile(dir_.File("in.txt"), "a@x.com\n");
  job_.filterFileName = dir_.File("nope.txt");
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
  EXPECT_EQ(job_.resultsText, "Filter list:\r\n");
}

TEST_F(FilterTest, AMissingInputFailsAndLeavesNoTemporaryFile) {
  WriteFile(dir_.File("filter.txt"), "x\n");
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), (Names{"filter.txt", "out.txt"}));
}

}  // namespace
}  // namespace vantor
