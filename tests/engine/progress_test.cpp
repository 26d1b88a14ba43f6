// The job's fraction as the front ends read it during real runs: never going back,
// moving within every action, whole only once the run completed, and cut among the
// actions by the bytes they read and write. Then the time left it gives.
#include "engine/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/choices.h"
#include "engine/runner.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::FaultEnv;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;

constexpr double kWhole = JobFraction::kWhole;

// `lines` distinct addresses in no order, about 20 bytes each.
std::string MakeList(int lines) {
  std::string list;
  for (int i = 0; i < lines; ++i) {
    list += "user" + std::to_string((i * 7919) % lines) + "@host" + std::to_string(i % 13) +
            ".example\n";
  }
  return list;
}

struct Case {
  const char* name;
  std::function<void(JobChoices&, const TempDir&)> choose;
  // The share of the job the first action is expected to weigh; 0 for a job of one.
  double firstShare;
  std::size_t filesAtOnce = 512;
};

class ProgressTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("in.txt"), MakeList(5000));
    WriteFile(dir_.File("more.txt"), MakeList(3000));
    WriteFile(dir_.File("filter.txt"), "host3\nhost7\n");
    JobChoices choices;
    choices.inputFileName = dir_.File("in.txt");
    choices.outputFileName = dir_.File("out.txt");
    GetParam().choose(choices, dir_);
    BuildJob(choices, &job_);
    job_.tempDirectory = dir_.path();
    job_.runPermission = std::make_unique<RunPermission>();
    // Many chunks, parts and merges in a list of 100 KB.
    job_.chunkSizes.list = 4096;
    job_.chunkSizes.merge = 4096;
    job_.chunkSizes.writeBuffer = 1024;
    job_.chunkSizes.filter = 4096;
    job_.chunkSizes.mergeFanIn = GetParam().filesAtOnce;
    // The fraction as a front end's timer would see it, at every message.
    sink_.onPost = [this](const RunnerMessage& m) {
      seen_.push_back(job_.progress.Get());
      if (m.code == WMU_ACTION_END && firstEnd_ < 0) firstEnd_ = job_.progress.Get() / kWhole;
    };
  }

  TempDir dir_;
  FaultEnv env_;
  RecordingSink sink_;
  ProcessingJob job_;
  std::vector<std::uint32_t> seen_;
  double firstEnd_ = -1;
};

TEST_P(ProgressTest, TheFractionOnlyGrowsAndIsWholeAtTheEnd) {
  job_.progress.Raise(123456);  // what an earlier run left
  ASSERT_EQ(ActionRunner(job_, sink_, &env_).Run(), RunEnd::kCompleted);
  ASSERT_GE(seen_.size(), 4u);
  EXPECT_LT(seen_.front(), 123456u) << "a run starts from nothing";
  for (std::size_t i = 1; i < seen_.size(); ++i) {
    ASSERT_GE(seen_[i], seen_[i - 1]) << "went back at message " << i;
  }
  // Only the last message, WMU_DONE, comes after the results are in place.
  EXPECT_EQ(seen_.back(), JobFraction::kWhole);
  EXPECT_LT(seen_[seen_.size() - 2], JobFraction::kWhole);
  // Between the first action's start and the end of the last, the bar moved in steps,
  // not in one jump at the end.
  std::vector<std::uint32_t> distinct(seen_.begin(), seen_.end() - 1);
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  EXPECT_GE(distinct.size(), 5u);
  if (GetParam().firstShare > 0) {
    EXPECT_NEAR(firstEnd_, GetParam().firstShare, 0.02);
  }
}

TEST_P(ProgressTest, AStoppedRunIsNeverWhole) {
  int chunks = 0;
  const auto record = sink_.onPost;
  sink_.onPost = [&](const RunnerMessage& m) {
    record(m);
    if (m.code == WMU_INFO && ++chunks == 6) job_.runPermission->Reset();
  };
  ASSERT_EQ(ActionRunner(job_, sink_, &env_).Run(), RunEnd::kStopped);
  EXPECT_LT(job_.progress.Get(), JobFraction::kWhole);
}

// A sort of a list of many parts reads and writes it twice (the buckets, or the parts
// and the merge), a split once: two thirds of the job are the sort's; with four files
// at once, its buckets are dealt again twice: four passes. Randomizing 25 parts deals
// them into buckets and shuffles those: two passes too.
INSTANTIATE_TEST_SUITE_P(
    Jobs, ProgressTest,
    ::testing::Values(Case{"SortThenSplit",
                           [](JobChoices& c, const TempDir&) {
                             c.rearrange = c.sortByEmail = true;
                             c.split = true;
                             c.splitSize = 700;
                           },
                           4.0 / 6},
                      Case{"SortInBucketsDealtAgainThenSplit",
                           [](JobChoices& c, const TempDir&) {
                             c.rearrange = c.sortByEmail = true;
                             c.split = true;
                             c.splitSize = 700;
                           },
                           8.0 / 10, 4},
                      Case{"SortByPartsRemovingDuplicatesThenSplit",
                           [](JobChoices& c, const TempDir&) {
                             c.rearrange = c.sortByEmail = c.removeDuplicatesBox = true;
                             c.split = true;
                             c.splitSize = 700;
                           },
                           4.0 / 6, 4},
                      Case{"RandomizeThenExtract",
                           [](JobChoices& c, const TempDir&) {
                             c.rearrange = true;
                             c.extract = true;
                             c.extractCount = 100;
                           },
                           4.0 / 6},
                      Case{"IncludeThenSplitBySize",
                           [](JobChoices& c, const TempDir&) {
                             c.include = true;
                             c.includeEmail = "seed@example";
                             c.includePeriod = 50;
                             c.split = true;
                             c.splitByCount = false;
                             c.splitSize = 20000;
                           },
                           0.5},
                      Case{"Filter",
                           [](JobChoices& c, const TempDir& dir) {
                             c.filter = true;
                             c.filterFileName = dir.File("filter.txt");
                           },
                           0},
                      Case{"Merge",
                           [](JobChoices& c, const TempDir& dir) {
                             c.singleList = false;
                             c.mergeFiles = {c.inputFileName, dir.File("more.txt")};
                           },
                           0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(TimeLeftTest, IsToldOnceEnoughIsKnown) {
  const struct {
    std::uint32_t elapsedMs;
    std::uint32_t ppm;
    const char* shown;
  } cases[] = {
      {0, 0, "00:00:00"},
      {1999, 500000, "00:00:01"},                                  // too early
      {60000, 19999, "00:01:00"},                                  // too little done
      {2000, 20000, "00:00:02 (about 00:01:38 left)"},             // just enough of both
      {10000, 500000, "00:00:10 (about 00:00:10 left)"},           // as long again
      {10000, 999999, "00:00:10 (about 00:00:01 left)"},           // a second at least
      {10000, 1000000, "00:00:10"},                                // done
      {4000000000u, 20000, "1111:06:40 (about 1193:02:47 left)"},  // no wrap
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatElapsedAndLeft(c.elapsedMs, c.ppm), c.shown) << c.elapsedMs << " " << c.ppm;
  }
}

}  // namespace
}  // namespace vantor
