#include "engine/list_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/error.h"
#include "engine/runner.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Call;
using testing::FaultEnv;
using testing::FileExists;
using testing::ReadFile;
using testing::RecordingSink;
using testing::TempDir;
using testing::WriteFile;

std::uint32_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

class CommitTest : public ::testing::Test {
 protected:
  CommitTest() : runner_(job_, sink_, &env_) {
    job_.inputFileName = dir_.File("in.txt");
    job_.outputFileName = dir_.File("out.txt");
    job_.tempDirectory = dir_.path();
    job_.runPermission = std::make_unique<RunPermission>();
  }

  // A finished temporary file holding `bytes`.
  std::string Temp(const std::string& bytes) {
    ListWriter writer(runner_);
    writer.CreateTemp();
    writer.Write(bytes.data(), bytes.size());
    writer.Finish();
    return writer.name();
  }

  std::string CommitError(const std::string& temp) {
    try {
      CommitTempFile(runner_, temp);
    } catch (const ActionError& error) {
      return error.text;
    }
    return "";
  }

  TempDir dir_;
  FaultEnv env_;
  RecordingSink sink_;
  ProcessingJob job_;
  ActionRunner runner_;
};

TEST_F(CommitTest, ReplacesTheDestinationAndChainsToIt) {
  WriteFile(job_.outputFileName, "old\n");
  std::string temp = Temp("new\n");
  EXPECT_TRUE(CommitTempFile(runner_, temp));
  EXPECT_EQ(ReadFile(job_.outputFileName), "new\n");
  EXPECT_FALSE(FileExists(temp));
  EXPECT_EQ(job_.inputFileName, job_.outputFileName);
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            std::vector<std::string>{"Renaming temporary file into output file..."});
}

TEST_F(CommitTest, WithReplaceInputTheInputIsTheDestination) {
  job_.replaceInput = true;
  WriteFile(job_.inputFileName, "old\n");
  EXPECT_TRUE(CommitTempFile(runner_, Temp("new\n")));
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "new\n");
  EXPECT_FALSE(FileExists(job_.outputFileName));
}

TEST_F(CommitTest, KeepsThePermissionBitsOfTheReplacedFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no permission bits but the read-only attribute";
#else
  WriteFile(job_.outputFileName, "old\n");
  ASSERT_EQ(::chmod(job_.outputFileName.c_str(), 0640), 0);
  CommitTempFile(runner_, Temp("new\n"));
  EXPECT_EQ(ModeOf(job_.outputFileName), 0640u);
#endif
}

TEST_F(CommitTest, ANewDestinationGetsTheUsualModeNotTheTemporaryOne) {
  CommitTempFile(runner_, Temp("new\n"));
  EXPECT_EQ(ModeOf(job_.outputFileName), Env::Default()->NewFileMode());
}

// Who owns the result: the owner of the file it replaces, when the process may give
// it away; else the process, and then a set-id program made of other bytes loses its
// set-id bits.
TEST_F(CommitTest, KeepsTheOwnerOrDropsTheSetIdBits) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no owner ids or set-id bits";
#else
  struct OwnerFails final : EnvWrapper {
    OwnerFails() : EnvWrapper(Env::Default()) {}
    bool SetOwner(const std::string&, std::uint32_t, std::uint32_t) override { return false; }
  } noChown;
  WriteFile(job_.outputFileName, "old\n");
  ASSERT_EQ(::chmod(job_.outputFileName.c_str(), 06755), 0);
  ActionRunner refused(job_, sink_, &noChown);
  std::string temp;
  refused.CreateTempFile(&temp)->Close();
  refused.PutInPlace(temp, job_.outputFileName);
  EXPECT_EQ(ModeOf(job_.outputFileName), 0755u);

  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(job_.outputFileName.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(job_.outputFileName.c_str(), 04750), 0);
  CommitTempFile(runner_, Temp("new\n"));
  struct stat st;
  ASSERT_EQ(::stat(job_.outputFileName.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 04750u);
  EXPECT_EQ(ReadFile(job_.outputFileName), "new\n");
#endif
}

TEST_F(CommitTest, ALinkDestinationStaysALinkToTheNewResult) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
  WriteFile(dir_.File("target.txt"), "old\n");
  ASSERT_EQ(::symlink("target.txt", job_.outputFileName.c_str()), 0);
  EXPECT_TRUE(CommitTempFile(runner_, Temp("new\n")));
  struct stat st;
  ASSERT_EQ(::lstat(job_.outputFileName.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(dir_.File("target.txt")), "new\n");
#endif
}

TEST_F(CommitTest, AReadOnlyDestinationIsRefusedAndBothFilesStay) {
  WriteFile(job_.outputFileName, "old\n");
  ASSERT_EQ(::chmod(job_.outputFileName.c_str(), 0444), 0);
  std::string temp = Temp("new\n");
  EXPECT_EQ(CommitError(temp), "Failed to rename file");
  EXPECT_EQ(ReadFile(job_.outputFileName), "old\n");
  EXPECT_EQ(ReadFile(temp), "new\n");
  EXPECT_EQ(job_.inputFileName, dir_.File("in.txt"));
}

TEST_F(CommitTest, AFailedRenameOrModeChangeLeavesBothFiles) {
  for (Call call : {Call::Rename, Call::SetMode}) {
    WriteFile(job_.outputFileName, "old\n");
    std::string temp = Temp("new\n");
    env_.FailCallOf(call, env_.callsOf(call) + 1);
    EXPECT_EQ(CommitError(temp), "Failed to rename file");
    EXPECT_EQ(ReadFile(job_.outputFileName), "old\n");
    EXPECT_EQ(ReadFile(temp), "new\n");
    env_.ClearFaults();
  }
}

TEST_F(CommitTest, AStopDeletesTheTemporaryFileAndKeepsTheDestination) {
  WriteFile(job_.outputFileName, "old\n");
  std::string temp = Temp("new\n");
  job_.runPermission->Reset();
  EXPECT_FALSE(CommitTempFile(runner_, temp));
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
  ListWriter writer(runner_);
  writer.CreateTemp();
  std::string expected;
  for (std::size_t n : {3, 5, 1, 8, 20, 7, 2, 9}) {
    std::string piece(n, static_cast<char>('a' + n));
    writer.Write(piece.data(), piece.size());
    expected += piece;
  }
  writer.Finish();
  EXPECT_EQ(ReadFile(writer.name()), expected);
}

}  // namespace
}  // namespace vantor
