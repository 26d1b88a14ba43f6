// A job with every single-list action gives what the actions give run one by one.
#include <gtest/gtest.h>

#include <random>

#include "engine/choices.h"
#include "engine/runner.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;

class AllActionsTest : public ::testing::Test {
 protected:
  // Runs the choices with small chunks; returns the results text.
  std::string Run(JobChoices choices, std::uint32_t seed) {
    ProcessingJob job;
    BuildJob(choices, &job);
    job.random.Seed(seed);
    job.runPermission = std::make_unique<RunPermission>();
    job.chunkSizes.list = 4096;
    job.chunkSizes.merge = 1024;
    RecordingSink sink;
    ActionRunner runner(job, sink);
    EXPECT_TRUE(runner.PrepareTempDirectory());
    runner.Run();
    EXPECT_EQ(sink.Trace().back(), "done");
    return job.resultsText;
  }

  TempDir dir_;
};

TEST_F(AllActionsTest, AJobOfFiveActionsEqualsTheActionsOneByOne) {
  std::mt19937 random(11);
  std::string list;
  for (int i = 0; i < 3000; ++i) {
    list += "user" + std::to_string(random() % 2000) + (random() % 3 ? "@mail.com" : "@Mail.com") +
            (random() % 5 ? "\n" : "\r\n");
  }
  WriteFile(dir_.File("in.txt"), list);
  WriteFile(dir_.File("filter.txt"), "user1\nuser22\n");

  JobChoices all;
  all.inputFileName = dir_.File("in.txt");
  all.outputFileName = dir_.File("all.txt");
  all.filter = true;
  all.filterFileName = dir_.File("filter.txt");
  all.rearrange = all.sortByDomain = all.removeDuplicatesBox = true;
  all.include = true;
  all.includeEmail = "seed@example.com";
  all.includePeriod = 7;
  all.extract = true;
  all.extractCount = 500;
  all.split = true;
  all.splitByCount = true;
  all.splitSize = 150;
  const std::string together = Run(all, 5);

  // The same steps, each a job of its own reading what the one before wrote.
  JobChoices step;
  step.inputFileName = dir_.File("in.txt");
  step.outputFileName = dir_.File("one.txt");
  std::string apart;
  for (int action = 0; action < 5; ++action) {
    JobChoices choices = step;
    if (action > 0) choices.inputFileName = dir_.File("one.txt");
    switch (action) {
      case 0:
        choices.filter = true;
        choices.filterFileName = all.filterFileName;
        break;
      case 1:
        choices.rearrange = choices.sortByDomain = choices.removeDuplicatesBox = true;
        break;
      case 2:
        choices.include = true;
        choices.includeEmail = all.includeEmail;
        choices.includePeriod = all.includePeriod;
        break;
      case 3:
        choices.extract = true;
        choices.extractCount = all.extractCount;
        break;
      case 4:
        choices.split = true;
        choices.splitByCount = true;
        choices.splitSize = all.splitSize;
        break;
    }
    // Nothing before the extract draws from the generator, so one seed serves both.
    apart += Run(choices, 5);
  }
  EXPECT_EQ(together, apart);
  EXPECT_EQ(ReadFile(dir_.File("all.txt")), ReadFile(dir_.File("one.txt")));
  for (int part = 1; part <= 4; ++part) {
    const std::string suffix = std::to_string(part) + ".txt";
    ASSERT_TRUE(FileExists(dir_.File("all" + suffix))) << part;
    EXPECT_EQ(ReadFile(dir_.File("all" + suffix)), ReadFile(dir_.File("one" + suffix))) << part;
  }
  EXPECT_FALSE(FileExists(dir_.File("all5.txt")));
}

}  // namespace
}  // namespace vantor
