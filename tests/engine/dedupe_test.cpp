#include "engine/dedupe.h"

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

class DedupeTest : public testing::ActionTest {
 protected:
  DedupeTest() {
    job_.keepOrderDedupe = true;
    job_.rearrangeMode = RearrangeMode::kKeepOrder;
  }

  std::string Run(const std::string& list) {
    WriteFile(dir_.File("in.txt"), list);
    return RunAgain();
  }

  static std::string Report(long long dropped, long long total) {
    return "Remove duplicates, order kept:\r\n" + std::to_string(dropped) +
           " duplicate(s) removed from the list of " + std::to_string(total) + " emails\r\n\r\n";
  }
};

TEST_F(DedupeTest, TheFirstOfEachAddressStaysAsItWasWhereItStood) {
  ASSERT_EQ(Run("b@x\n A@x\t\nc@x\na@X\nB@x \n \t\n \t\nab@x\n"), "");
  EXPECT_EQ(Output(), "b@x\n A@x\t\nc@x\n \t\n \t\nab@x\n");
  EXPECT_EQ(job_.resultsText, Report(2, 8));
  EXPECT_EQ(job_.duplicatesFound, 2u);
}

TEST_F(DedupeTest, AgreesWithThePlainModelWhateverTheMemory) {
  struct Sizes {
    std::uint32_t chunk;
    std::size_t keys;
  };
  const Sizes sizes[] = {{64, 1 << 20}, {64, 1200}, {4096, 2 << 10}, {17, 600}, {1024, 8 << 10}};
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    for (const Sizes& s : sizes) {
      std::mt19937 random(seed);
      const std::string list = testing::RandomAddressList(random, 300 * seed, 40 * seed, 70);
      job_.chunkSizes.list = s.chunk;
      job_.chunkSizes.keysInMemory = s.keys;
      job_.chunkSizes.writeBuffer = 100;
      job_.chunkSizes.mergeFanIn = seed % 2 ? 3 : ChunkSizes().mergeFanIn;
      const std::string where = "seed " + std::to_string(seed) + ", chunk " +
                                std::to_string(s.chunk) + ", keys " + std::to_string(s.keys);
      long long dropped = 0;
      long long total = 0;
      const std::string expected = testing::ReferenceDedupe(list, s.chunk, &dropped, &total);
      ASSERT_EQ(Run(list), "") << where;
      EXPECT_EQ(Output(), expected) << where;
      EXPECT_EQ(job_.resultsText, Report(dropped, total)) << where;
      EXPECT_EQ(job_.duplicatesFound, static_cast<std::uint64_t>(dropped)) << where;
      EXPECT_EQ(dir_.List().size(), 2u) << where;  // no temporary file left
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
