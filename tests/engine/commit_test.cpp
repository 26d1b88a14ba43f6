#include "engine/commit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/texts.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Call;
using testing::FaultEnv;
using testing::FileExists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

[[maybe_unused]] std::uint32_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

// The temporary files ("vnt*.tmp") in `folder`.
std::vector<std::string> TempsIn(const std::string& folder) {
  std::vector<std::string> names, temps;
  Env::Default()->ListDirectory(folder, &names);
  for (const std::string& name : names) {
    if (name.rfind("vnt", 0) == 0) temps.push_back(name);
  }
  return temps;
}

class JobCommitTest : public ::testing::Test {
 protected:
  // A target named `name` in the test's folder whose result holds `bytes`.
  std::size_t Target(const std::string& name, const std::string& bytes, bool part = false) {
    const std::size_t target = commit_.AddTarget(dir_.File(name), part, kOpenOutputFailed);
    Result(target, bytes, &commit_.FolderOf(target));
    return target;
  }

  // Sets the result of `target` to a new temporary file holding `bytes`, in `folder`.
  void Result(std::size_t target, const std::string& bytes, Folder* folder) {
    std::string name;
    std::unique_ptr<WritableFile> file = env_.CreateTempFile(*folder, &name);
    ASSERT_TRUE(file && file->Write(bytes.data(), bytes.size()) && file->Close());
    commit_.SetResult(target, *folder, name.substr(name.find_last_of('/') + 1), name);
  }

  // The error the commit raises: its text, then its detail.
  std::pair<std::string, std::string> CommitError(const ReadFiles& reads = {}) {
    try {
      commit_.Commit(reads);
    } catch (const ActionError& error) {
      return {error.text, error.detail};
    }
    return {};
  }

  TempDir dir_;
  FaultEnv env_;
  JobCommit commit_{&env_};
};

TEST_F(JobCommitTest, PutsEveryResultInPlaceAndLeavesNoOtherName) {
  WriteFile(dir_.File("out.txt"), "old\n");
  WriteFile(dir_.File("p1.txt"), "old part\n");
  Target("out.txt", "new\n");
  Target("p1.txt", "part 1\n", /*part=*/true);
  Target("p2.txt", "part 2\n", /*part=*/true);
  commit_.Commit({});
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "new\n");
  EXPECT_EQ(ReadFile(dir_.File("p1.txt")), "part 1\n");
  EXPECT_EQ(ReadFile(dir_.File("p2.txt")), "part 2\n");
  EXPECT_EQ(TempsIn(dir_.path()), std::vector<std::string>{});
}

// Whichever step fails, for whichever target, every target is what it was and the
// error names the file and the reason.
TEST_F(JobCommitTest, AFailureAtAnyStepUndoesEveryTarget) {
  for (Call call : {Call::SetMode, Call::Link, Call::Rename, Call::SyncDirectory}) {
    for (int nth = 1; nth <= 3; ++nth) {
      WriteFile(dir_.File("a.txt"), "old a\n");
      WriteFile(dir_.File("b.txt"), "old b\n");
      ::unlink(dir_.File("c.txt").c_str());
      Target("a.txt", "new a\n");
      Target("b.txt", "new b\n");
      Target("c.txt", "new c\n");
      env_.FailCallOf(call, env_.callsOf(call) + nth);
      const auto [text, detail] = CommitError();
      const bool failed = !text.empty();
      // A folder is synced once, and only b and c... have second names to fail.
      if (call == Call::SyncDirectory && nth > 1) {
        EXPECT_FALSE(failed);
      } else if (call == Call::Link && nth == 3) {
        EXPECT_FALSE(failed);  // c.txt is new: nothing is kept of it
      } else {
        EXPECT_EQ(text, kRenameFailed);
        EXPECT_EQ(detail, testing::kInjectedFault);
      }
      SCOPED_TRACE(std::to_string(static_cast<int>(call)) + " #" + std::to_string(nth));
      EXPECT_EQ(ReadFile(dir_.File("a.txt")), failed ? "old a\n" : "new a\n");
      EXPECT_EQ(ReadFile(dir_.File("b.txt")), failed ? "old b\n" : "new b\n");
      EXPECT_EQ(FileExists(dir_.File("c.txt")), !failed);
      env_.ClearFaults();
      commit_.Discard();
      EXPECT_EQ(TempsIn(dir_.path()), std::vector<std::string>{});
    }
  }
}

// Where the file system makes no second name for a file, a replaced file cannot be
// given back when a later step fails: the error says which one is replaced.
TEST_F(JobCommitTest, WithoutHardLinksAFailureSaysWhichFileIsReplaced) {
  struct NoHardLinks final : EnvWrapper {
    using EnvWrapper::EnvWrapper;
    KeepResult KeepLink(Folder&, const std::string&, std::string*) override {
      return KeepResult::kNoHardLinks;
    }
  } noLinks(&env_);
  JobCommit commit(&noLinks);
  WriteFile(dir_.File("a.txt"), "old a\n");
  WriteFile(dir_.File("b.txt"), "old b\n");
  for (const char* name : {"a.txt", "b.txt"}) {
    const std::size_t t = commit.AddTarget(dir_.File(name), false, kOpenOutputFailed);
    std::string temp;
    ASSERT_TRUE(noLinks.CreateTempFile(commit.FolderOf(t), &temp)->Close());
    commit.SetResult(t, commit.FolderOf(t), temp.substr(temp.find_last_of('/') + 1), temp);
  }
  env_.FailCallOf(Call::Rename, env_.callsOf(Call::Rename) + 2);
  std::string detail;
  try {
    commit.Commit({});
  } catch (const ActionError& error) {
    detail = error.detail;
  }
  EXPECT_EQ(detail, std::string(testing::kInjectedFault) + "; '" + dir_.File("a.txt") +
                        "' is replaced: its file system keeps no second name for the old");
  EXPECT_EQ(ReadFile(dir_.File("a.txt")), "");
  EXPECT_EQ(ReadFile(dir_.File("b.txt")), "old b\n");
}

// The rest speaks of what POSIX systems have: permission bits and owners, links, a
// folder that can be renamed while it is open, a second file system at /dev/shm.
#ifndef _WIN32

// A rename the system refuses: the reason comes in its own words, with both names.
TEST_F(JobCommitTest, ARefusedRenameNamesTheFilesAndTheReason) {
  struct stat shm, here;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.path().c_str(), &here) != 0 ||
      shm.st_dev == here.st_dev || ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second file system to rename across";
  }
  TempDir elsewhere("/dev/shm");
  WriteFile(dir_.File("a.txt"), "old a\n");
  WriteFile(dir_.File("b.txt"), "old b\n");
  Target("a.txt", "new a\n");
  const std::size_t b = commit_.AddTarget(dir_.File("b.txt"), false, kOpenOutputFailed);
  std::unique_ptr<Folder> other = Env::Default()->OpenFolder(elsewhere.path());
  ASSERT_NE(other, nullptr);
  Result(b, "new b\n", other.get());
  const auto [text, detail] = CommitError();
  EXPECT_EQ(text, kRenameFailed);
  EXPECT_NE(detail.find("cannot rename '" + other->path() + "/vnt"), std::string::npos) << detail;
  EXPECT_NE(detail.find("b.txt': Invalid cross-device link"), std::string::npos) << detail;
  EXPECT_EQ(ReadFile(dir_.File("a.txt")), "old a\n");
  EXPECT_EQ(ReadFile(dir_.File("b.txt")), "old b\n");
  commit_.Discard();
  EXPECT_EQ(TempsIn(dir_.path()), std::vector<std::string>{});
  EXPECT_EQ(TempsIn(elsewhere.path()), std::vector<std::string>{});
}

// What a result keeps of the file it replaces, and what a new one gets.
TEST_F(JobCommitTest, AResultKeepsTheModeOfTheFileItReplaces) {
  WriteFile(dir_.File("kept.txt"), "old\n");
  ASSERT_EQ(::chmod(dir_.File("kept.txt").c_str(), 0640), 0);
  Target("kept.txt", "new\n");
  Target("new.txt", "new\n");
  commit_.Commit({});
  EXPECT_EQ(ModeOf(dir_.File("kept.txt")), 0640u);
  EXPECT_EQ(ModeOf(dir_.File("new.txt")), Env::Default()->NewFileMode());
}

// Who owns the result: the owner of the file it replaces, when the process may give
// it away; else the process, and then a set-id program made of other bytes loses its
// set-id bits.
TEST_F(JobCommitTest, AResultKeepsTheOwnerOrDropsTheSetIdBits) {
  struct OwnerFails final : EnvWrapper {
    OwnerFails() : EnvWrapper(Env::Default()) {}
    bool SetOwnerIn(Folder&, const std::string&, std::uint32_t, std::uint32_t) override {
      return false;
    }
  } noChown;
  {
    JobCommit refused(&noChown);
    WriteFile(dir_.File("out.txt"), "old\n");
    ASSERT_EQ(::chmod(dir_.File("out.txt").c_str(), 06755), 0);
    const std::size_t t = refused.AddTarget(dir_.File("out.txt"), false, kOpenOutputFailed);
    std::string name;
    ASSERT_TRUE(noChown.CreateTempFile(refused.FolderOf(t), &name)->Close());
    refused.SetResult(t, refused.FolderOf(t), name.substr(name.find_last_of('/') + 1), name);
    refused.Commit({});
    EXPECT_EQ(ModeOf(dir_.File("out.txt")), 0755u);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(dir_.File("out.txt").c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(dir_.File("out.txt").c_str(), 04750), 0);
  Target("out.txt", "new\n");
  commit_.Commit({});
  struct stat st;
  ASSERT_EQ(::stat(dir_.File("out.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 04750u);
}

TEST_F(JobCommitTest, ALinkOfTheUsersStaysALinkToTheNewResult) {
  WriteFile(dir_.File("target.txt"), "old\n");
  ASSERT_EQ(::symlink("target.txt", dir_.File("out.txt").c_str()), 0);
  Target("out.txt", "new\n");
  commit_.Commit({});
  struct stat st;
  ASSERT_EQ(::lstat(dir_.File("out.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(dir_.File("target.txt")), "new\n");
}

// What changed at a target while the job ran is seen before the first rename, and
// nothing is put in place.
TEST_F(JobCommitTest, ATargetThatChangedDuringTheRunIsRefusedBeforeAnyRename) {
  WriteFile(dir_.File("list.txt"), "list\n");
  struct Case {
    const char* name;
    void (*change)(const TempDir& dir);
    bool part;
    const char* text;
    const char* detail;
  };
  const Case cases[] = {
      {"a link now",
       [](const TempDir& dir) {
         ::unlink(dir.File("p2.txt").c_str());
         ASSERT_EQ(::symlink("list.txt", dir.File("p2.txt").c_str()), 0);
       },
       true, kOutputNotRegular, "p2.txt': not a regular file"},
      {"read-only now",
       [](const TempDir& dir) { ASSERT_EQ(::chmod(dir.File("p2.txt").c_str(), 0444), 0); }, true,
       kRenameFailed, "p2.txt': file not writable"},
      {"the list now",
       [](const TempDir& dir) {
         ::unlink(dir.File("p2.txt").c_str());
         ASSERT_EQ(::link(dir.File("list.txt").c_str(), dir.File("p2.txt").c_str()), 0);
       },
       true, kPartOverwritesList, "p2.txt': split part would overwrite the list being split"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir_.File("p1.txt"), "old 1\n");
    ::unlink(dir_.File("p2.txt").c_str());
    WriteFile(dir_.File("p2.txt"), "old 2\n");
    Target("p1.txt", "new 1\n", true);
    Target("p2.txt", "new 2\n", c.part);
    c.change(dir_);
    const FileFacts list = Env::Default()->Inspect(dir_.File("list.txt"));
    const auto [text, detail] = CommitError({{dir_.File("list.txt"), list.id, false}});
    EXPECT_EQ(text, c.text);
    EXPECT_NE(detail.find(c.detail), std::string::npos) << detail;
    EXPECT_EQ(ReadFile(dir_.File("p1.txt")), "old 1\n");
    EXPECT_EQ(ReadFile(dir_.File("list.txt")), "list\n");
    commit_.Discard();
    ::chmod(dir_.File("p2.txt").c_str(), 0644);
  }
}

// Two results for one file: a part that is the user's own link to the destination.
TEST_F(JobCommitTest, TwoResultsForOneFileAreRefused) {
  WriteFile(dir_.File("out.txt"), "old\n");
  ASSERT_EQ(::symlink("out.txt", dir_.File("p1.txt").c_str()), 0);
  Target("out.txt", "result\n");
  Target("p1.txt", "part 1\n", /*part=*/true);
  const auto [text, detail] = CommitError();
  EXPECT_EQ(text, kRenameFailed);
  EXPECT_TRUE(detail.ends_with("p1.txt': the same file as another result")) << detail;
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "old\n");
}

// The destination's folder is renamed away and a link to another folder put in its
// place while the job runs: nothing goes to either.
TEST_F(JobCommitTest, AFolderSwappedDuringTheRunIsRefused) {
  ASSERT_EQ(::mkdir(dir_.File("lists").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir_.File("private").c_str(), 0700), 0);
  WriteFile(dir_.File("lists/out.txt"), "old\n");
  WriteFile(dir_.File("private/out.txt"), "private\n");
  Target("lists/out.txt", "new\n");
  ASSERT_EQ(::rename(dir_.File("lists").c_str(), dir_.File("away").c_str()), 0);
  ASSERT_EQ(::symlink(dir_.File("private").c_str(), dir_.File("lists").c_str()), 0);
  const auto [text, detail] = CommitError();
  EXPECT_EQ(text, kRenameFailed);
  EXPECT_NE(detail.find("lists/out.txt': its folder was moved or replaced during the run"),
            std::string::npos)
      << detail;
  EXPECT_EQ(ReadFile(dir_.File("away/out.txt")), "old\n");
  EXPECT_EQ(ReadFile(dir_.File("private/out.txt")), "private\n");
  commit_.Discard();
  EXPECT_EQ(TempsIn(dir_.File("away")), std::vector<std::string>{});
}

// A name that cannot be used is refused when it is added, with the system's reason.
TEST_F(JobCommitTest, ATargetThatCannotBeNamedIsRefusedWithTheReason) {
  ASSERT_EQ(::symlink("loop", dir_.File("loop").c_str()), 0);
  ASSERT_EQ(::symlink("missing/out.txt", dir_.File("dangling").c_str()), 0);
  const std::string longName(NAME_MAX + 1, 'p');
  const std::pair<std::string, std::string> cases[] = {
      {longName, "': File name too long"},
      {"loop", "': Too many levels of symbolic links"},
      {"dangling", "': No such file or directory"},
  };
  for (const auto& [name, reason] : cases) {
    std::string detail;
    try {
      commit_.AddTarget(dir_.File(name), true, kOpenOutputFailed);
    } catch (const ActionError& error) {
      EXPECT_STREQ(error.text, kOpenOutputFailed);
      detail = error.detail;
    }
    EXPECT_EQ(detail, "cannot create '" + dir_.File(name) + reason);
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace vantor
