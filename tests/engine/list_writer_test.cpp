#include "engine/list_writer.h"

#include <gtest/gtest.h>

#include <deque>

#include "engine/error.h"
#include "engine/run_context.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"
#include "tests/support/test_run.h"

namespace vantor {
namespace {

using testing::Call;
using testing::FaultEnv;
using testing::FileExists;
using testing::ReadFile;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;

class CommitTest : public ::testing::Test {
 protected:
  CommitTest() {
    job_.inputFileName = dir_.File("in.txt");
    job_.outputFileName = dir_.File("out.txt");
    job_.tempDirectory = dir_.path();
    job_.runPermission = std::make_unique<RunPermission>();
    test_ = std::make_unique<testing::TestRun>(job_, sink_, &env_);
  }

  // A finished temporary file holding `bytes`.
  std::string Temp(const std::string& bytes) {
    ListWriter writer(test_->temps, job_.chunkSizes.writeBuffer);
    writer.CreateTemp();
    writer.Write(bytes.data(), bytes.size());
    writer.Finish();
    return writer.name();
  }

  TempDir dir_;
  FaultEnv env_;
  RecordingSink sink_;
  ProcessingJob job_;
  std::unique_ptr<testing::TestRun> test_;
};

TEST_F(CommitTest, TheResultBecomesTheNextInputAndTheDestinationWaitsForTheJobsCommit) {
  WriteFile(job_.outputFileName, "old\n");
  std::string temp = Temp("new\n");
  EXPECT_TRUE(CommitTempFile(test_->run, temp));
  EXPECT_EQ(ReadFile(job_.outputFileName), "old\n");
  EXPECT_EQ(test_->run.Input(), temp);
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            std::vector<std::string>{"Renaming temporary file into output file..."});
}

TEST_F(CommitTest, AStopDeletesTheTemporaryFileAndKeepsTheDestination) {
  WriteFile(job_.outputFileName, "old\n");
  std::string temp = Temp("new\n");
  job_.runPermission->Reset();
  EXPECT_FALSE(CommitTempFile(test_->run, temp));
  EXPECT_FALSE(FileExists(temp));
  EXPECT_EQ(ReadFile(job_.outputFileName), "old\n");
  EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(CommitTest, WriterErrorsHaveTheirTexts) {
  struct Case {
    Call call;
    const char* text;
  };
  for (Case c :
       {Case{Call::TempName, "failed to get temp file name"},
        Case{Call::Write, "failed to write data"}, Case{Call::Sync, "failed to write data"},
        Case{Call::Close, "failed to write data"}}) {
    env_.FailCallOf(c.call, env_.callsOf(c.call) + 1);
    std::string text;
    try {
      Temp("x\n");
    } catch (const ActionError& error) {
      text = error.text;
    }
    EXPECT_EQ(text, c.text);
    env_.ClearFaults();
  }
}

TEST_F(CommitTest, WritesOfAnySizeArriveInOrder) {
  job_.chunkSizes.writeBuffer = 8;
  for (const bool behind : {false, true}) {
    ListWriter writer(test_->temps, job_.chunkSizes.writeBuffer);
    writer.CreateTemp();
    std::deque<std::string> pieces;  // where they are until written
    std::string expected;
    for (std::size_t n : {3, 5, 1, 8, 20, 7, 2, 9, 30, 31, 8}) {
      const std::string& piece = pieces.emplace_back(n, static_cast<char>('a' + n));
      if (behind && n % 2 == 0) {
        EXPECT_EQ(writer.WriteBehind(piece.data(), n), n >= 8) << n;
      } else {
        writer.Write(piece.data(), n);
      }
      expected += piece;
    }
    writer.Finish();
    EXPECT_EQ(ReadFile(writer.name()), expected) << (behind ? "behind" : "copied");
  }
}

TEST_F(CommitTest, AWriteBehindThatFailsIsRaisedByTheNextCallThatWaits) {
  ListWriter writer(test_->temps, 8);
  writer.CreateTemp();
  const std::string run(32, 'a');
  env_.FailCallOf(Call::Write, env_.callsOf(Call::Write) + 1);
  ASSERT_TRUE(writer.WriteBehind(run.data(), run.size()));
  std::string text;
  try {
    writer.WaitForWrites();
  } catch (const ActionError& error) {
    text = error.text;
  }
  EXPECT_EQ(text, "failed to write data");
  env_.ClearFaults();
}

}  // namespace
}  // namespace vantor
