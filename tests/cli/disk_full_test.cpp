// vantor-cli on a disk that fills up, past its file size limit, and as a user without
// the rights it needs: the run fails with the text of the call that failed and exit
// status 1, and the files it was given are as they were. The full disk and the other
// user need root, to mount a small tmpfs and to become another user; without it they
// are skipped. A report that cannot be written is told, and changes no run's status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Finish;
using testing::Outcome;
using testing::ReadFile;
using testing::StartCli;
using testing::TempDir;
using testing::User;
using testing::WriteFile;
using Names = std::vector<std::string>;

// Runs vantor-cli with `args` in /, as `user` when one is given.
Outcome RunCli(const Names& args, std::optional<User> user = std::nullopt) {
  TempDir captures;
  Outcome outcome = Finish(StartCli(args, "/", captures, user), captures);
  // A build instrumented for coverage (scripts/coverage) complains at exit, one line a
  // file, when the user cannot write its counts: those lines are not the program's.
  std::istringstream err(outcome.err);
  outcome.err.clear();
  for (std::string line; std::getline(err, line);) {
    if (line.rfind("profiling:", 0) != 0) outcome.err += line + "\n";
  }
  return outcome;
}

// The names in `folder`, sorted.
Names NamesIn(const std::string& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ErrorOutput(const std::string& text) {
  return "Error occured while processing lists:\n" + text + "\n";
}

// A tmpfs of `bytes` mounted on a fresh directory for the life of the object.
class Tmpfs {
 public:
  explicit Tmpfs(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ =
        ::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    if (!mounted_) problem_ = std::strerror(errno);
  }
  ~Tmpfs() {
    if (mounted_ && ::umount(dir_.path().c_str()) != 0) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& problem() const { return problem_; }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  bool mounted_ = false;
  std::string problem_;
};

// Every regular file under `root` with its contents, by path.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
  }
  return files;
}

// The files that differ between two snapshots: added, gone or changed.
Names Changes(const std::map<std::string, std::string>& before,
              const std::map<std::string, std::string>& after) {
  Names changes;
  for (const auto& [path, bytes] : after) {
    auto it = before.find(path);
    if (it == before.end()) {
      changes.push_back("+" + path);
    } else if (it->second != bytes) {
      changes.push_back("~" + path);
    }
  }
  for (const auto& [path, bytes] : before) {
    if (!after.count(path)) changes.push_back("-" + path);
  }
  return changes;
}

// ---------------------------------------------------------------------------------
// A disk that fills up

constexpr std::size_t kMiB = 1 << 20;
// Larger than one part of a sort (20 MiB): the sort writes two parts and merges them.
constexpr std::size_t kListBytes = 24 * kMiB;

const std::string& BigList() {
  static const std::string list = [] {
    std::mt19937 random(99);
    std::string text;
    text.reserve(kListBytes + 64);
    while (text.size() < kListBytes) {
      text += "person" + std::to_string(random() % 10000000) + "@host" +
              std::to_string(random() % 900) + ".example\n";
    }
    return text;
  }();
  return list;
}

struct FullCase {
  const char* name;
  // The list is in.txt (or a.txt and b.txt, its halves, for a merge), the destination
  // out.txt; filter.txt matches no address.
  Names args;
  // Free room on the tmpfs once the inputs are written.
  std::size_t room;
  const char* error;
};

void PrintTo(const FullCase& c, std::ostream* os) { *os << c.name; }

const FullCase kFullCases[] = {
    // The first part (20 MiB) does not fit.
    {"SortWritingItsParts",
     {"--sort-email", "-o", "out.txt", "in.txt"},
     8 * kMiB,
     "failed to write data"},
    // Both parts fit; the merge of them into the result does not.
    {"SortMerging",
     {"--sort-domain", "--remove-duplicates", "-o", "out.txt", "in.txt"},
     kListBytes + 8 * kMiB,
     "failed to write data"},
    {"FilterWritingItsResult",
     {"--filter", "filter.txt", "-o", "out.txt", "in.txt"},
     8 * kMiB,
     "failed to write data"},
    {"IncludeWritingItsResult",
     {"--include", "x@y.z", "--every", "1000", "-o", "out.txt", "in.txt"},
     8 * kMiB,
     "failed to write data"},
    {"MergeWritingItsResult",
     {"--merge", "-o", "out.txt", "a.txt", "b.txt"},
     8 * kMiB,
     "failed to write into file"},
    {"SplitWritingItsParts",
     {"--split-kb", "4096", "-o", "out.txt", "in.txt"},
     8 * kMiB,
     "failed to write data"},
    // The filter's result fits beside the list; the sort's first part does not. The list
    // being replaced is still the user's own.
    {"SortAfterAFilterReplacingTheList",
     {"--filter", "filter.txt", "--sort-email", "-r", "in.txt"},
     kListBytes + 8 * kMiB,
     "failed to write data"},
};

class DiskFullTest : public ::testing::TestWithParam<FullCase> {};

TEST_P(DiskFullTest, FailsWithTheTextOfTheWriteAndLeavesTheFilesAsTheyWere) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  const FullCase& c = GetParam();
  const std::string& list = BigList();
  const bool merge = c.args[0] == "--merge";
  // The inputs, the destination, and a little for the file system's own records.
  Tmpfs disk(kListBytes + c.room + kMiB);
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << disk.problem();
  const TempDir& dir = disk.dir();
  if (merge) {
    const std::size_t half = list.find('\n', list.size() / 2) + 1;
    WriteFile(dir.File("a.txt"), list.substr(0, half));
    WriteFile(dir.File("b.txt"), list.substr(half));
  } else {
    WriteFile(dir.File("in.txt"), list);
  }
  WriteFile(dir.File("filter.txt"), "nobody@nowhere\n");
  WriteFile(dir.File("out.txt"), "previous\n");
  const auto before = Snapshot(dir.path());

  Names args = {"-q"};
  for (const std::string& arg : c.args) {
    args.push_back(arg.find(".txt") != std::string::npos ? dir.File(arg) : arg);
  }
  const Outcome run = RunCli(args);
  EXPECT_EQ(run.status, 1) << run.err;
  // The next line names the temporary file that did not fit.
  const std::string named =
      ErrorOutput(c.error) + "vantor-cli: cannot write '" + dir.path() + "/vnt";
  EXPECT_TRUE(run.err.starts_with(named)) << run.err;
  EXPECT_TRUE(run.err.ends_with(".tmp': No space left on device\n")) << run.err;

  // Nothing changed: no part, no temporary file; the disk has its room back.
  for (const std::string& change : Changes(before, Snapshot(dir.path()))) {
    ADD_FAILURE() << "unexpected change " << change;
  }
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "previous\n");
  std::printf("[ disk full] %s: exit %d\n", c.name, run.status);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, DiskFullTest, ::testing::ValuesIn(kFullCases),
                         [](const ::testing::TestParamInfo<FullCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------
// A file size limit (ulimit -f)

// The write that crosses the limit fails as a full disk's does (instead of the signal
// killing the program) and names the temporary file, which is gone.
TEST(FileSizeLimitTest, AWritePastTheLimitFailsAndLeavesTheFilesAsTheyWere) {
  TempDir dir;
  TempDir captures;
  const std::string list = BigList().substr(0, BigList().find('\n', 4 * kMiB) + 1);
  WriteFile(dir.File("in.txt"), list);
  WriteFile(dir.File("out.txt"), "previous\n");
  const std::regex named(ErrorOutput("failed to write data") +
                         "vantor-cli: cannot write '(/.*/vnt[0-9a-f]{8}\\.tmp)': File too large\n");
  for (const Names& args : {Names{"-q", "--sort-email", "-r", "in.txt"},
                            Names{"-q", "--split-count", "70000", "-o", "out.txt", "in.txt"}}) {
    const Outcome run = Finish(
        StartCli(args, {.dir = dir.path(), .captures = &captures, .maxFileBytes = kMiB}), captures);
    EXPECT_EQ(run.status, 1) << args[1] << ": " << run.err;
    if (std::smatch match; std::regex_match(run.err, match, named)) {
      EXPECT_FALSE(testing::FileExists(match[1])) << match[1];
    } else {
      ADD_FAILURE() << run.err;
    }
    EXPECT_EQ(dir.List(), (Names{"in.txt", "out.txt"})) << args[1];
    EXPECT_EQ(ReadFile(dir.File("in.txt")), list);
    EXPECT_EQ(ReadFile(dir.File("out.txt")), "previous\n");
  }
}

// ---------------------------------------------------------------------------------
// Few descriptors (ulimit -n)

// A chained job that runs out of descriptors at some step, from reading the list to
// putting the last part in place, changes no file: the destination and the parts
// change together or not at all.
TEST(OpenFilesLimitTest, AJobThatRunsOutOfDescriptorsChangesNoFile) {
#if defined(__SANITIZE_ADDRESS__)
  // Their checks open pipes of their own: without descriptors they report faults that
  // are not there and end the run.
  GTEST_SKIP() << "the sanitizers need descriptors of their own";
#endif
  TempDir dir;
  TempDir captures;
  std::string list;
  for (int i = 0; i < 3000; ++i) list += "user" + std::to_string(i * 7919 % 3000) + "@x.org\n";
  WriteFile(dir.File("in.txt"), list);
  WriteFile(dir.File("filter.txt"), "user1\n");
  const Names args = {"-q",   "--filter", "filter.txt", "--sort-email", "--split-count",
                      "1000", "-o",       "out.txt",    "in.txt"};
  int failed = 0;
  for (rlim_t limit = 5; limit <= 12; ++limit) {
    WriteFile(dir.File("out.txt"), "previous\n");
    for (int part = 1; part <= 3; ++part) {
      WriteFile(dir.File("out" + std::to_string(part) + ".txt"), "old part\n");
    }
    const Outcome run =
        Finish(StartCli(args, {.dir = dir.path(), .captures = &captures, .maxOpenFiles = limit}),
               captures);
    const std::string where = "ulimit -n " + std::to_string(limit) + ": " + run.err;
    const Names files = {"filter.txt", "in.txt", "out.txt", "out1.txt", "out2.txt", "out3.txt"};
    EXPECT_EQ(dir.List(), files) << where;
    if (run.status == 1) {
      ++failed;
      EXPECT_NE(run.err.find("Too many open files"), std::string::npos) << where;
      EXPECT_EQ(ReadFile(dir.File("out.txt")), "previous\n") << where;
      for (int part = 1; part <= 3; ++part) {
        EXPECT_EQ(ReadFile(dir.File("out" + std::to_string(part) + ".txt")), "old part\n") << where;
      }
    } else {
      EXPECT_EQ(run.status, 0) << where;
      EXPECT_NE(ReadFile(dir.File("out.txt")), "previous\n") << where;
      EXPECT_NE(ReadFile(dir.File("out2.txt")), "old part\n") << where;
    }
  }
  EXPECT_GT(failed, 0) << "no limit was low enough to fail the job";
}

// ---------------------------------------------------------------------------------
// A report that cannot be written

// Standard output a closed pipe or a full device: the message says so, and a job whose
// result is in place still exits 0, so that no script runs it again.
TEST(LostReportTest, IsToldAndChangesNoStatus) {
  TempDir dir;
  TempDir captures;
  const int full = ::open("/dev/full", O_WRONLY);
  if (full < 0) GTEST_SKIP() << "no /dev/full";
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::close(pipeEnds[0]);  // nobody reads
  const std::string list = "b@x\na@x\n";
  const std::string sorted = "a@x\nb@x\n";
  const Names sort = {"--sort-email", "-r", "in.txt"};
  struct Case {
    int out;
    Names args;
    int status;
    std::string after;  // the list
    const char* err;
  };
  const Case cases[] = {
      {pipeEnds[1], sort, 0, sorted, "the report: Broken pipe"},
      {full, sort, 0, sorted, "the report: No space left on device"},
      // Printing is all that run is for (as with --version and --dry-run).
      {full, {"--help"}, 1, list, "the usage text: No space left on device"},
  };
  for (const Case& c : cases) {
    WriteFile(dir.File("in.txt"), list);
    const Outcome run = Finish(
        StartCli(c.args, {.dir = dir.path(), .captures = &captures, .out = c.out}), captures);
    EXPECT_EQ(run.status, c.status) << c.err;
    EXPECT_EQ(run.err, std::string("vantor-cli: cannot write ") + c.err + "\n");
    EXPECT_EQ(ReadFile(dir.File("in.txt")), c.after) << c.err;
  }
  ::close(pipeEnds[1]);
  ::close(full);
}

// ---------------------------------------------------------------------------------
// A user without the rights the job needs

struct PermissionCase {
  const char* name;
  // Makes the files in `dir` and returns the arguments.
  std::function<Names(const std::string& dir)> setUp;
  const char* error;        // the run's error, or the end of the refusal's line
  bool refused = false;     // refused before the run, as a usage error is
  bool onTmpfs = false;     // needs a file system whose root the test controls
  const char* detail = "";  // the end of the run error's second line
};

void PrintTo(const PermissionCase& c, std::ostream* os) { *os << c.name; }

const std::string kList = "b@y.org\nc@x.org\na@x.org\n";

void Make(const std::string& path, const std::string& bytes, mode_t mode) {
  WriteFile(path, bytes);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void MakeDirectory(const std::string& path, mode_t mode) {
  ASSERT_EQ(::mkdir(path.c_str(), 0700), 0) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// All files are root's; the run is nobody's. A job whose result could not be put in
// place is refused before any work (exit 2, the file named).
const PermissionCase kPermissionCases[] = {
    {"ReadOnlyDestinationDirectory",
     [](const std::string& dir) {
       Make(dir + "/in.txt", kList, 0644);
       MakeDirectory(dir + "/ro", 0755);
       Make(dir + "/ro/out.txt", "previous\n", 0666);
       return Names{"--sort-email", "-o", dir + "/ro/out.txt", dir + "/in.txt"};
     },
     "/ro': folder not writable", true},
    {"ReadOnlyListDirectoryReplacingTheList",
     [](const std::string& dir) {
       MakeDirectory(dir + "/ro", 0755);
       Make(dir + "/ro/in.txt", kList, 0666);
       return Names{"--sort-domain", "--replace-input", dir + "/ro/in.txt"};
     },
     "/ro': folder not writable", true},
    // A TEMP at the root of the file system would take the temporary files; the rename
    // into the folder could not be made.
    {"ReadOnlyDestinationDirectoryBesideATemp",
     [](const std::string& dir) {
       MakeDirectory(dir + "/TEMP", 01777);
       Make(dir + "/in.txt", kList, 0644);
       MakeDirectory(dir + "/ro", 0755);
       Make(dir + "/ro/out.txt", "previous\n", 0666);
       return Names{"--sort-email", "-o", dir + "/ro/out.txt", dir + "/in.txt"};
     },
     "/ro': folder not writable", true, true},
    {"DestinationTheUserMayNotWrite",
     [](const std::string& dir) {
       Make(dir + "/in.txt", kList, 0644);
       Make(dir + "/out.txt", "previous\n", 0644);
       return Names{"--sort-email", "-o", dir + "/out.txt", dir + "/in.txt"};
     },
     "/out.txt': file not writable", true},
    {"UnreadableList",
     [](const std::string& dir) {
       Make(dir + "/in.txt", kList, 0600);
       Make(dir + "/out.txt", "previous\n", 0666);
       return Names{"--sort-email", "-o", dir + "/out.txt", dir + "/in.txt"};
     },
     "failed to open file", false, false, "/in.txt': Permission denied"},
    {"UnreadableFilterFile",
     [](const std::string& dir) {
       Make(dir + "/in.txt", kList, 0644);
       Make(dir + "/filter.txt", "x.org\n", 0600);
       Make(dir + "/out.txt", "previous\n", 0666);
       return Names{"--filter", dir + "/filter.txt", "-o", dir + "/out.txt", dir + "/in.txt"};
     },
     "failed to open file", false, false, "/filter.txt': Permission denied"},
};

class PermissionTest : public ::testing::TestWithParam<PermissionCase> {};

TEST_P(PermissionTest, FailsWithTheTextOfTheRefusedCallAndChangesNoFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "running vantor-cli as another user needs root";
  const std::optional<User> nobody = testing::Nobody();
  if (!nobody) GTEST_SKIP() << "there is no user nobody or no group nogroup";
  const Outcome probe = RunCli({"--version"}, nobody);
  if (probe.status != 0) {
    GTEST_SKIP() << "the user nobody cannot run " << VANTOR_CLI_PATH << ": " << probe.err;
  }
  const PermissionCase& c = GetParam();
  std::unique_ptr<Tmpfs> disk;
  TempDir plain;
  std::string dir = plain.path();
  if (c.onTmpfs) {
    disk = std::make_unique<Tmpfs>(4 * kMiB);
    if (!disk->mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << disk->problem();
    dir = disk->dir().path();
  }
  // nobody may look into the directory and create files in it, not in ro/.
  ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
  const Names args = c.setUp(dir);
  if (HasFatalFailure()) return;
  const auto before = Snapshot(dir);

  const Outcome run = RunCli(args, nobody);
  if (c.refused) {
    const std::string end = std::string(c.error) + "\n";
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err.rfind("vantor-cli: '", 0), 0u) << run.err;
    EXPECT_TRUE(run.err.ends_with(end)) << run.err;
  } else {
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, ErrorOutput(c.error) + "vantor-cli: cannot open '" + dir + c.detail + "\n");
  }
  for (const std::string& change : Changes(before, Snapshot(dir))) {
    ADD_FAILURE() << "unexpected change " << change;
  }
}

INSTANTIATE_TEST_SUITE_P(AsNobody, PermissionTest, ::testing::ValuesIn(kPermissionCases),
                         [](const ::testing::TestParamInfo<PermissionCase>& info) {
                           return std::string(info.param.name);
                         });

// Root and the user nobody beside it, in a folder of root's that all may look into.
class SharedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "running a second process as another user needs root";
    nobody = testing::Nobody();
    if (!nobody) GTEST_SKIP() << "there is no user nobody or no group nogroup";
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  }

  TempDir dir;
  std::optional<User> nobody;
};

// Another user who may write into the destination's folder swaps every temporary file
// of a root run for a link to a file of root's, as fast as it can. The run never writes
// through the link nor puts it in place: root's file stays as it was, and the
// destination is the old file or the whole new result.
TEST_F(SharedFolderTest, TemporaryFilesSwappedForLinksByAnotherUserAreNeverFollowed) {
  const std::string shared = dir.File("shared");
  ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);  // writable by all, no sticky bit
  WriteFile(dir.File("secret"), "root's own\n");
  ASSERT_EQ(::chmod(dir.File("secret").c_str(), 0600), 0);
  std::string list;
  for (int i = 0; i < 400000; ++i) list += "user" + std::to_string(i) + "@example.org\n";
  WriteFile(dir.File("in.txt"), list);
  WriteFile(shared + "/out.txt", "previous\n");

  const std::string loop = "while [ -d " + shared + " ] && [ ! -e " + dir.File("stop") +
                           " ]; do for f in " + shared +
                           "/vnt*.tmp; do [ -f \"$f\" ] && [ ! -L \"$f\" ] && mv -f \"$f\" "
                           "\"$f.x\" 2>/dev/null && ln -s " +
                           dir.File("secret") + " \"$f\" 2>/dev/null; done; done";
  const pid_t attacker = testing::StartProcess({"/bin/sh", "-c", loop}, {.user = nobody});
  // Ended however the test ends, so that no loop outlives it.
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  } reaper{attacker};
  int swapped = 0;
  for (int round = 0; round < 5; ++round) {
    const Outcome run = RunCli(
        {"-q", "--seed", "3", "--extract", "10", "-o", shared + "/out.txt", dir.File("in.txt")});
    struct stat st;
    ASSERT_EQ(::lstat((shared + "/out.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << "the destination became a link";
    const std::string out = ReadFile(shared + "/out.txt");
    if (run.status == 0) {
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 10) << out;
    } else {
      ++swapped;
      EXPECT_EQ(run.status, 1) << run.err;
      EXPECT_EQ(out, "previous\n");
    }
    EXPECT_EQ(ReadFile(dir.File("secret")), "root's own\n");
    ASSERT_EQ(::stat(dir.File("secret").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    WriteFile(shared + "/out.txt", "previous\n");
  }
  WriteFile(dir.File("stop"), "");
  std::printf("[ swap     ] 5 runs beside a user swapping their files: %d refused\n", swapped);
}

// In a folder that all may write into and that is sticky (/tmp, say), another user
// makes the name root writes to a link to a file of root's, or to a place where root
// would make a file: root refuses it before any work, as the system refuses to follow
// such a link, and no file of root's changes.
TEST_F(SharedFolderTest, ALinkAnotherUserPlantedIsRefusedBeforeAnyWork) {
  const std::string shared = dir.File("shared");
  const std::string secret = dir.File("private/secret");
  ASSERT_EQ(::mkdir(shared.c_str(), 01777), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(::mkdir(dir.File("private").c_str(), 0700), 0);
  WriteFile(secret, "root's own\n");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  WriteFile(dir.File("in.txt"), "c@x.org\nb@x.org\na@x.org\n");
  struct Case {
    const char* link;
    std::string target;
    Names args;
  };
  const Case cases[] = {
      {"out.txt", secret, {"--sort-email", "-o", shared + "/out.txt", dir.File("in.txt")}},
      {"p2.txt", secret, {"--split-count", "1", "-o", shared + "/p.txt", dir.File("in.txt")}},
      {"out.txt",
       dir.File("private/new.txt"),
       {"--sort-email", "-o", shared + "/out.txt", dir.File("in.txt")}},
  };
  for (const Case& c : cases) {
    const std::string link = shared + "/" + c.link;
    const pid_t planter =
        testing::StartProcess({"/bin/ln", "-s", c.target, link}, {.user = nobody});
    ASSERT_EQ(testing::WaitForExit(planter), 0);
    const Outcome run = RunCli(c.args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err,
              "vantor-cli: '" + link + "': link owned by another user in a shared folder\n");
    EXPECT_EQ(ReadFile(secret), "root's own\n");
    EXPECT_EQ(NamesIn(dir.File("private")), Names{"secret"});
    EXPECT_EQ(NamesIn(shared), Names{c.link});
    ASSERT_EQ(::unlink(link.c_str()), 0);
  }
  // The user's own link there is followed, as before.
  ASSERT_EQ(::symlink(dir.File("private/mine.txt").c_str(), (shared + "/out.txt").c_str()), 0);
  const Outcome run = RunCli({"--sort-email", "-o", shared + "/out.txt", dir.File("in.txt")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir.File("private/mine.txt")), "a@x.org\nb@x.org\nc@x.org\n");
}

}  // namespace
}  // namespace vantor
