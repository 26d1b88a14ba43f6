// Replays every input kept in the fuzz corpora (tests/fuzz/<target>/) through the check
// its fuzz target runs: the seeds, and each input a fuzz run once found failing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/checks.h"
#include "tests/support/test_files.h"

namespace vantor::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path CorpusOf(const std::string& target) { return fs::path(VANTOR_FUZZ_CORPUS) / target; }

std::vector<fs::path> InputsOf(const std::string& target) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(CorpusOf(target))) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

class CorpusTest : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusTest, EveryInputPassesItsCheck) {
  const Target& target = GetParam();
  ASSERT_TRUE(fs::is_directory(CorpusOf(target.name))) << CorpusOf(target.name);
  const std::vector<fs::path> inputs = InputsOf(target.name);
  EXPECT_GE(inputs.size(), 3u) << "a corpus starts from a few seeds";
  for (const fs::path& input : inputs) {
    const std::string bytes = testing::ReadFile(input.string());
    EXPECT_EQ(target.check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
        << input.filename();
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusTest, ::testing::ValuesIn(Targets()),
                         [](const ::testing::TestParamInfo<Target>& info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.size() - 5);  // without "_fuzz"
                         });

// Each directory of tests/fuzz/ that holds inputs belongs to a target.
TEST(CorpusDirectoriesTest, EachBelongsToATarget) {
  for (const auto& entry : fs::directory_iterator(VANTOR_FUZZ_CORPUS)) {
    if (entry.is_directory()) {
      EXPECT_NE(FindCheck(entry.path().filename().string()), nullptr) << entry.path();
    }
  }
}

// Inputs shorter than their parameter bytes decode as zeros and an empty list.
TEST(ChecksTest, ShortAndEmptyInputsPass) {
  for (const Target& target : Targets()) {
    EXPECT_EQ(target.check(nullptr, 0), "") << target.name;
    const std::uint8_t one = 7;
    EXPECT_EQ(target.check(&one, 1), "") << target.name;
  }
}

}  // namespace
}  // namespace vantor::fuzz
