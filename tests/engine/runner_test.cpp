#include "engine/runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <new>
#include <stdexcept>
#include <thread>

#include "engine/choices.h"
#include "engine/error.h"
#include "engine/filter.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::FaultEnv;
using testing::ReadFile;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;
using Trace = std::vector<std::string>;

void Quiet(RunContext& run) {
  run.PostInfo("working");
  run.PostInfo2("1 done");
}
void Fails(RunContext& run) {
  run.PostInfo("working");
  Raise("failed to write data");
}
void RunsOutOfMemory(RunContext&) { throw std::bad_alloc(); }
void ThrowsSomethingElse(RunContext&) { throw std::runtime_error("odd failure"); }

[[maybe_unused]] long EntriesIn(const std::string& folder) {
  return std::distance(std::filesystem::directory_iterator(folder),
                       std::filesystem::directory_iterator());
}

ActionSet AllQuiet() {
  return ActionSet{Quiet, Quiet, Quiet, Quiet, Quiet, Quiet, Quiet, Quiet, Quiet, Quiet, Quiet};
}

class RunnerTest : public ::testing::Test {
 protected:
  // Builds the job as the front ends do.
  void Choose(JobChoices choices) {
    choices.inputFileName = dir_.File("in.txt");
    choices.outputFileName = dir_.File("out.txt");
    BuildJob(choices, &job_);
    job_.tempDirectory = dir_.path();
    job_.runPermission = std::make_unique<RunPermission>();
  }

  TempDir dir_;
  FaultEnv env_;
  RecordingSink sink_;
  ProcessingJob job_;
};

// The job is what the user chose, before a run and after it: the same job runs again
// on the list as it is then, not on the result of the run before.
TEST_F(RunnerTest, TheSameJobRunsAgainOnTheListAsItIsThen) {
  JobChoices choices;
  choices.rearrange = choices.sortByEmail = true;
  Choose(choices);
  for (const auto& [list, sorted] :
       {std::pair{"b@x\na@x\n", "a@x\nb@x\n"}, std::pair{"d@x\nc@x\n", "c@x\nd@x\n"}}) {
    WriteFile(dir_.File("in.txt"), list);
    job_.runPermission->Set();
    EXPECT_EQ(ActionRunner(job_, sink_, &env_).Run(), RunEnd::kCompleted);
    EXPECT_EQ(ReadFile(dir_.File("out.txt")), sorted);
    EXPECT_EQ(job_.inputFileName, dir_.File("in.txt"));
  }
}

TEST_F(RunnerTest, PostsEachActionBetweenItsStartAndEndInSlotOrder) {
  JobChoices choices;
  choices.filter = choices.rearrange = choices.split = true;
  Choose(choices);
  ActionSet actions = AllQuiet();
  ActionRunner(job_, sink_, &env_, actions).Run();
  Trace each = {"info working", "info2 1 done"};
  Trace expected;
  for (int slot = 0; slot < 3; ++slot) {
    expected.push_back("start " + std::to_string(slot));
    expected.insert(expected.end(), each.begin(), each.end());
    expected.insert(expected.end(), {"end " + std::to_string(slot), "info ", "info2 "});
  }
  expected.push_back("done");
  EXPECT_EQ(sink_.Trace(), expected);
}

TEST_F(RunnerTest, AnErrorInTheSecondActionEndsTheRunThere) {
  JobChoices choices;
  choices.filter = choices.include = choices.split = true;
  Choose(choices);
  job_.elapsedMs = 4242;
  ActionSet actions = AllQuiet();
  actions.include = Fails;
  ActionRunner(job_, sink_, &env_, actions).Run();
  EXPECT_EQ(sink_.Trace(),
            (Trace{"start 0", "info working", "info2 1 done", "end 0", "info ", "info2 ", "start 1",
                   "info working", "error failed to write data"}));
  EXPECT_EQ(job_.elapsedMs, 4242u);
}

TEST_F(RunnerTest, FailuresOtherThanErrorTextsStillEndTheRunWithAnError) {
  JobChoices choices;
  choices.extract = true;
  Choose(choices);
  ActionSet actions = AllQuiet();
  actions.extract = RunsOutOfMemory;
  ActionRunner(job_, sink_, &env_, actions).Run();
  EXPECT_EQ(sink_.Trace().back(), "error failed to allocate memory");

  sink_.messages.clear();
  actions.extract = ThrowsSomethingElse;
  ActionRunner(job_, sink_, &env_, actions).Run();
  EXPECT_EQ(sink_.Trace().back(), "error odd failure");
}

TEST_F(RunnerTest, AMergeJobRunsTheMergeAlone) {
  JobChoices choices;
  choices.singleList = false;
  choices.filter = true;
  Choose(choices);
  ActionSet actions = AllQuiet();
  actions.filter = Fails;
  ActionRunner(job_, sink_, &env_, actions).Run();
  EXPECT_EQ(sink_.Trace(),
            (Trace{"start 0", "info working", "info2 1 done", "end 0", "info ", "info2 ", "done"}));
}

TEST_F(RunnerTest, ElapsedTimeSurvivesAWrapOfTheTickCounter) {
  JobChoices choices;
  choices.filter = true;
  Choose(choices);
  env_.SetTick(0xFFFFFF00u, 0x300);
  ActionSet actions = AllQuiet();
  ActionRunner(job_, sink_, &env_, actions).Run();
  EXPECT_EQ(job_.elapsedMs, 0x300u);
}

// Two filters in a row stand for any chain of actions: the second reads what the first
// committed.
class FilterChainTest : public RunnerTest {
 protected:
  void SetUp() override {
    JobChoices choices;
    choices.filter = choices.include = true;
    Choose(choices);
    actions_ = AllQuiet();
    actions_.filter = FilterList;
    actions_.include = FilterList;
    job_.filterFileName = dir_.File("filter.txt");
    job_.chunkSizes.list = 16;
    WriteFile(dir_.File("filter.txt"), "spam\n");
    WriteFile(dir_.File("in.txt"), "a@x.com\nb@spam.com\nc@y.com\nd@x.org\n");
    WriteFile(dir_.File("out.txt"), "previous\n");
  }
  ActionSet actions_;
};

TEST_F(FilterChainTest, TheSecondActionReadsWhatTheFirstCommitted) {
  ActionRunner(job_, sink_, &env_, actions_).Run();
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "a@x.com\nc@y.com\nd@x.org\n");
  EXPECT_EQ(job_.resultsText,
            "Filter list:\r\n1 email(s) denied from the list of 4 emails while filtering\r\n\r\n"
            "Filter list:\r\n0 email(s) denied from the list of 3 emails while filtering\r\n\r\n");
  EXPECT_EQ(sink_.Trace().back(), "done");
}

TEST_F(FilterChainTest, AnErrorInTheSecondLeavesTheDestinationAsItWas) {
  // The action sees the job the runner was given: the second filter names a file that
  // is not there.
  static ProcessingJob* job;
  job = &job_;
  actions_.include = [](RunContext& run) {
    job->filterFileName += ".missing";
    FilterList(run);
  };
  ActionRunner(job_, sink_, &env_, actions_).Run();
  // The first result lived in a temporary file, gone with the run.
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
  EXPECT_EQ(dir_.List(), (Trace{"filter.txt", "in.txt", "out.txt"}));
  EXPECT_EQ(job_.resultsText,
            "Filter list:\r\n1 email(s) denied from the list of 4 emails while filtering\r\n\r\n"
            "Filter list:\r\n");
  Trace trace = sink_.Trace();
  EXPECT_EQ(trace.back(), "error failed to open file");
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "end 1"), 0);
}

TEST_F(FilterChainTest, AStopDuringTheFirstLeavesEveryFileAsItWas) {
  int chunks = 0;
  sink_.onPost = [&](const RunnerMessage& m) {
    if (m.code == WMU_INFO && m.text == "Reading emails..." && ++chunks == 2) {
      job_.runPermission->Reset();
    }
  };
  ActionRunner(job_, sink_, &env_, actions_).Run();
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a@x.com\nb@spam.com\nc@y.com\nd@x.org\n");
  EXPECT_EQ(dir_.List(), (Trace{"filter.txt", "in.txt", "out.txt"}));  // no temporary file
  EXPECT_EQ(job_.resultsText, "Filter list:\r\nFilter list:\r\n");
  Trace trace = sink_.Trace();
  EXPECT_EQ(trace.back(), "done");
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "end 1"), 1);
}

#ifndef _WIN32
// Another user changes the job's folders and files while the list is being read: a
// sort in place of lists/out.txt, then a split into lists/out1.txt to out3.txt. What
// changed is seen before the first result is put in place, and no file changes.
TEST_F(RunnerTest, WhatChangedWhileTheJobRanIsSeenBeforeAnyFileChanges) {
  struct Case {
    const char* name;
    void (*change)(const TempDir& dir);
    const char* error;
    const char* detail;  // the end of the error's detail
  };
  const Case cases[] = {
      {"the folder swapped for a link",
       [](const TempDir& dir) {
         ASSERT_EQ(::rename(dir.File("lists").c_str(), dir.File("away").c_str()), 0);
         ASSERT_EQ(::symlink(dir.File("private").c_str(), dir.File("lists").c_str()), 0);
       },
       "Failed to rename file", "out.txt': its folder was moved or replaced during the run"},
      {"a part turned into a link to the list",
       [](const TempDir& dir) {
         ::unlink(dir.File("lists/out3.txt").c_str());
         ASSERT_EQ(::symlink(dir.File("in.txt").c_str(), dir.File("lists/out3.txt").c_str()), 0);
       },
       "split part would overwrite the list being split",
       "out3.txt': split part would overwrite the list being split"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("lists").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("private").c_str(), 0700), 0);
    WriteFile(dir.File("in.txt"), "c@x\nb@x\na@x\n");
    WriteFile(dir.File("private/out.txt"), "private\n");
    for (const char* name : {"out.txt", "out1.txt", "out2.txt", "out3.txt"}) {
      WriteFile(dir.File("lists/") + name, "previous\n");
    }
    JobChoices choices;
    choices.rearrange = choices.sortByEmail = choices.split = true;
    choices.inputFileName = dir.File("in.txt");
    choices.outputFileName = dir.File("lists/out.txt");
    choices.splitSize = 1;
    ProcessingJob job;
    BuildJob(choices, &job);
    job.runPermission = std::make_unique<RunPermission>();
    FaultEnv env;
    std::atomic<bool> changed{false};
    env.HoldRead(1, [&] { return changed.load(); });
    RecordingSink sink;
    RunEnd outcome = RunEnd::kCompleted;
    std::thread worker([&] { outcome = ActionRunner(job, sink, &env).Run(); });
    while (!env.holding()) std::this_thread::yield();
    c.change(dir);
    changed = true;
    worker.join();
    EXPECT_EQ(outcome, RunEnd::kFailed);
    EXPECT_EQ(sink.Trace().back(), std::string("error ") + c.error);
    EXPECT_TRUE(job.errorDetail.ends_with(c.detail)) << job.errorDetail;
    EXPECT_EQ(ReadFile(dir.File("in.txt")), "c@x\nb@x\na@x\n");
    EXPECT_EQ(ReadFile(dir.File("private/out.txt")), "private\n");
    const std::string lists = ::access(dir.File("away").c_str(), F_OK) == 0 ? "away" : "lists";
    for (const char* name : {"out.txt", "out1.txt", "out2.txt"}) {
      EXPECT_EQ(ReadFile(dir.File(lists + "/") + name), "previous\n") << name;
    }
    EXPECT_EQ(EntriesIn(dir.File(lists)), 4) << "a temporary file was left";
    EXPECT_EQ(EntriesIn(dir.File("private")), 1);
  }
}

#endif  // _WIN32

TEST(PrepareTempDirectoryTest, FollowsTheDestinationOfTheFirstAction) {
  TempDir in;
  TempDir out;
  ProcessingJob job;
  RecordingSink sink;
  ActionRunner runner(job, sink);
  job.inputFileName = in.File("list.txt");
  job.outputFileName = out.File("result.txt");
  ASSERT_TRUE(runner.PrepareTempDirectory());
  EXPECT_EQ(job.tempDirectory, Env::Default()->TempDirectoryFor(out.File("result.txt")));

  job.replaceInput = true;
  ASSERT_TRUE(runner.PrepareTempDirectory());
  EXPECT_EQ(job.tempDirectory, Env::Default()->TempDirectoryFor(in.File("list.txt")));

  job.singleListMode = false;  // a merge always writes its output
  ASSERT_TRUE(runner.PrepareTempDirectory());
  EXPECT_EQ(job.tempDirectory, Env::Default()->TempDirectoryFor(out.File("result.txt")));

  job.outputFileName.clear();
  EXPECT_FALSE(runner.PrepareTempDirectory());
}

TEST(RunRandomTest, SeededWithOneDrawsTheKnownSequence) {
  RunRandom random;
  random.Seed(1);
  std::vector<int> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(random.Draw());
  EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

}  // namespace
}  // namespace vantor
