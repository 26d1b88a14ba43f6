#include "engine/suppress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/support/action_test.h"
#include "tests/support/address_lists.h"
#include "tests/support/reference_lines.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::WriteFile;

class SuppressTest : public testing::ActionTest {
 protected:
  SuppressTest() {
    job_.suppressOn = true;
    job_.suppressFileName = dir_.File("sup.txt");
  }

  std::string Run(const std::string& list, const std::string& suppression) {
    WriteFile(dir_.File("in.txt"), list);
    WriteFile(dir_.File("sup.txt"), suppression);
    return RunAgain();
  }

  static std::string Report(long long dropped, long long total) {
    return "Suppress list:\r\n" + std::to_string(dropped) +
           " email(s) suppressed from the list of " + std::to_string(total) + " emails\r\n\r\n";
  }
};

struct BytesCase {
  const char* name;
  std::string list;
  std::string suppression;
  std::string output;
  long long dropped;
  long long total;
};

TEST_F(SuppressTest, WholeAddressesCaseAndBlanksIgnoredKeptLinesAsTheyWere) {
  const BytesCase cases[] = {
      {"CaseAndBlanks", "A@x.com\n b@Y.com\t\nab@x.com\nc@x.com\n", "a@X.COM \r\n\tB@y.com\n",
       "ab@x.com\nc@x.com\n", 2, 4},
      {"OnlyWholeLines", "a@x.com\nxa@x.com\na@x.comx\n", "a@x.com\n", "xa@x.com\na@x.comx\n", 1,
       3},
      {"BlankSuppressionLinesSuppressNothing", "a@x\n \t\n\r\nb@x\n", "\n \t \n\r\n",
       "a@x\n \t\nb@x\n", 0, 4},
      {"CrLfListKeepsItsLineEnds", "a@x\r\nb@x\r\nc@x", "b@x\n", "a@x\r\nc@x\r\n", 1, 3},
      {"NulBytesAreCompared", std::string("a\0b@x\na\0c@x\n", 12), std::string("A\0B@X\n", 6),
       std::string("a\0c@x\n", 6), 1, 2},
      {"EmptySuppressionFile", "a@x\nb@x\n", "", "a@x\nb@x\n", 0, 2},
  };
  for (const BytesCase& c : cases) {
    ASSERT_EQ(Run(c.list, c.suppression), "") << c.name;
    EXPECT_EQ(Output(), c.output) << c.name;
    EXPECT_EQ(job_.resultsText, Report(c.dropped, c.total)) << c.name;
  }
}

TEST_F(SuppressTest, AMissingSuppressionFileFailsAndLeavesTheDestination) {
  WriteFile(dir_.File("in.txt"), "a@x\n");
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(Output(), "previous\n");
}

// The engine against the plain model, in memory and in parts divided again and again,
// with chunks that cut the long lines into pieces.
TEST_F(SuppressTest, AgreesWithThePlainModelWhateverTheMemory) {
  struct Sizes {
    std::uint32_t chunk;
    std::size_t keys;
  };
  const Sizes sizes[] = {{64, 1 << 20}, {64, 1200}, {4096, 2 << 10}, {17, 600}, {1024, 4 << 10}};
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    for (const Sizes& s : sizes) {
      std::mt19937 random(seed);
      const std::string list = testing::RandomAddressList(random, 400 + seed * 50, 120, 70);
      const std::string suppression = testing::RandomAddressList(random, 150 * seed, 240, 70);
      job_.chunkSizes.list = s.chunk;
      job_.chunkSizes.keysInMemory = s.keys;
      job_.chunkSizes.writeBuffer = 100;
      job_.chunkSizes.mergeFanIn = seed % 2 ? 3 : ChunkSizes().mergeFanIn;
      const std::string where = "seed " + std::to_string(seed) + ", chunk " +
                                std::to_string(s.chunk) + ", keys " + std::to_string(s.keys);
      long long dropped = 0;
      long long total = 0;
      const std::string expected =
          testing::ReferenceSuppress(list, suppression, s.chunk, &dropped, &total);
      ASSERT_EQ(Run(list, suppression), "") << where;
      EXPECT_EQ(Output(), expected) << where;
      EXPECT_EQ(job_.resultsText, Report(dropped, total)) << where;
      EXPECT_GT(dropped, 0) << where;
      EXPECT_EQ(dir_.List().size(), 3u) << where;  // no temporary file left
      const std::vector<std::string> texts = sink_.Texts(WMU_INFO);
      const bool divided =
          std::find(texts.begin(), texts.end(), "Dividing list into 4 part(s)...") != texts.end();
      if (s.keys <= 2048 || s.keys >= 1 << 20) {
        EXPECT_EQ(divided, s.keys <= 2048) << where;
      }
    }
  }
}

}  // namespace
}  // namespace vantor
