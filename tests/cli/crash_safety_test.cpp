// vantor-cli killed outright (SIGKILL, with no chance to clean up, as a crash would end
// it) while it sorts a list in place: the list is at every moment the old one or the
// whole sorted one, never a part of either, and never gone.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::StartCli;
using testing::TempDir;
using testing::WaitForExit;
using testing::WriteFile;
using Names = std::vector<std::string>;

// One run of `args` in `dir` ended by `signal` at a random moment of round `round` of
// `rounds`: somewhere in that share of a whole run of `runMs`, the shares stretched by
// `past` so that the last rounds end a little after the run would have.
struct Interruption {
  int status;
  std::string where;  // the round, the moment and the status, for a failure message
};

Interruption Interrupt(const Names& args, const std::string& dir, const TempDir& captures,
                       int signal, int round, int rounds, double past, long long runMs,
                       std::mt19937& random) {
  const double share =
      (round + std::uniform_real_distribution<double>(0, 1)(random)) / rounds * past;
  const auto wait = std::chrono::microseconds(static_cast<long long>(share * runMs * 1000));
  const pid_t pid = StartCli(args, dir, captures);
  std::this_thread::sleep_for(wait);
  ::kill(pid, signal);
  const int status = WaitForExit(pid);
  return {status, "round " + std::to_string(round) +
                      (signal == SIGKILL ? ", killed after " : ", stopped after ") +
                      std::to_string(wait.count() / 1000) + " ms of " + std::to_string(runMs) +
                      ", status " + std::to_string(status)};
}

// A list of `bytes` bytes or a little more, of addresses in no order, with repeats.
std::string MakeList(std::size_t bytes, std::uint32_t seed) {
  static const char* const kNames[] = {"ann", "Bob", "carl", "dave", "Eve", "fay"};
  static const char* const kHosts[] = {"mail", "post", "Web", "inbox"};
  static const char* const kTops[] = {"com", "org", "net", "de"};
  std::mt19937 random(seed);
  std::string list;
  list.reserve(bytes + 64);
  while (list.size() < bytes) {
    list += kNames[random() % 6];
    list += '.';
    list += std::to_string(random() % 5000000);
    list += '@';
    list += kHosts[random() % 4];
    list += std::to_string(random() % 700);
    list += '.';
    list += kTops[random() % 4];
    list += '\n';
  }
  return list;
}

// Where the README says the temporary files of a list in `dir` go: TEMP at the root of
// its file system when that exists there, else `dir` itself.
Names TempPlaces(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0) return {dir};
  std::string root = dir;
  while (root != "/") {
    const std::size_t slash = root.find_last_of('/');
    const std::string parent = slash == 0 ? "/" : root.substr(0, slash);
    struct stat pst;
    if (::stat(parent.c_str(), &pst) != 0 || pst.st_dev != st.st_dev) break;
    root = parent;
  }
  const std::string temp = root == "/" ? "/TEMP" : root + "/TEMP";
  struct stat tst;
  if (::stat(temp.c_str(), &tst) == 0 && S_ISDIR(tst.st_mode) && tst.st_dev == st.st_dev) {
    return {temp, dir};
  }
  return {dir};
}

// The paths of the "vnt*" entries in `places`.
std::set<std::string> TempEntries(const Names& places) {
  std::set<std::string> entries;
  for (const std::string& place : places) {
    DIR* d = ::opendir(place.c_str());
    if (!d) continue;
    while (const dirent* entry = ::readdir(d)) {
      const std::string name = entry->d_name;
      if (name.rfind("vnt", 0) == 0) entries.insert(place + "/" + name);
    }
    ::closedir(d);
  }
  return entries;
}

TEST(CrashSafetyTest, AListSortedInPlaceIsTheOldOrTheNewOneWhereverTheRunIsKilled) {
  TempDir dir;
  TempDir captures;
  const std::string list = MakeList(32u << 20, 2024);  // two parts of a sort
  const std::string in = dir.File("in.txt");
  const Names places = TempPlaces(dir.path());
  const std::set<std::string> othersBefore = TempEntries(places);
  const std::vector<std::string> args = {"-q", "--sort-domain", "--remove-duplicates",
                                         "--replace-input", "in.txt"};

  // The whole result, and how long a run takes. Each run starts with the list on the
  // disk, not still being written back, so that they all take about as long.
  WriteFile(in, list);
  ::sync();
  const auto begun = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitForExit(StartCli(args, dir.path(), captures)), 0) << ReadFile(captures.File("err"));
  const auto took = std::chrono::steady_clock::now() - begun;
  const std::string sorted = ReadFile(in);
  ASSERT_NE(sorted, list);
  ASSERT_EQ(TempEntries(places), othersBefore);
  const long long runMs = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();

  // Twenty moments, one in each twentieth of the run and a little past its end.
  constexpr int kRounds = 20;
  std::mt19937 random(7);
  const std::regex tempName("vnt[0-9a-f]{8}\\.tmp");
  int old = 0;
  int whole = 0;
  int leftovers = 0;
  WriteFile(in, list);
  ::sync();
  for (int round = 0; round < kRounds; ++round) {
    const std::string where =
        Interrupt(args, dir.path(), captures, SIGKILL, round, kRounds, 1.05, runMs, random).where;

    ASSERT_TRUE(FileExists(in)) << where;
    const std::string now = ReadFile(in);
    const bool isOld = now == list;
    const bool isNew = now == sorted;
    EXPECT_TRUE(isOld || isNew) << where << ": the list holds " << now.size() << " bytes";
    old += isOld;
    whole += isNew;

    // What a kill leaves: temporary files named as the README says, in the place it
    // names. They may go.
    for (const std::string& path : TempEntries(places)) {
      if (othersBefore.count(path)) continue;
      const std::string name = path.substr(path.find_last_of('/') + 1);
      EXPECT_TRUE(std::regex_match(name, tempName)) << where << ": " << path;
      ++leftovers;
      ::unlink(path.c_str());
    }
    EXPECT_EQ(dir.List(), (Names{"in.txt"})) << where;
    if (!isOld) {
      WriteFile(in, list);
      ::sync();
    }
  }
  std::printf(
      "[ crash    ] %d kills over a run of %lld ms: %d left the old list, %d the sorted "
      "one, %d temporary file(s) left in all\n",
      kRounds, runMs, old, whole, leftovers);
  // The first moments come long before the commit.
  EXPECT_GT(old, 0);
}

// A stop (SIGTERM, SIGHUP as a closing terminal sends, SIGINT) of a job that filters and
// sorts its list in place and splits the result: whatever the moment, the list is the
// old one or the whole result, never the filter's result alone, its parts are there
// exactly when the result is, and no temporary file stays. The status is 128 + the
// signal when the results are not in place, else 0.
TEST(CrashSafetyTest, AChainReplacingItsListIsTheOldOrTheNewOneWhereverItIsStopped) {
  TempDir dir;
  TempDir captures;
  const std::string list = MakeList(24u << 20, 77);  // two parts of a sort
  const std::string in = dir.File("in.txt");
  WriteFile(dir.File("filter.txt"), "0@\n");
  const Names places = TempPlaces(dir.path());
  const std::set<std::string> othersBefore = TempEntries(places);
  const std::vector<std::string> args = {
      "-q",     "--filter",        "filter.txt", "--sort-email", "--split-count",
      "250000", "--replace-input", "in.txt"};
  auto parts = [&] {
    Names contents;
    for (int k = 1; FileExists(dir.File("in" + std::to_string(k) + ".txt")); ++k) {
      contents.push_back(ReadFile(dir.File("in" + std::to_string(k) + ".txt")));
      ::unlink(dir.File("in" + std::to_string(k) + ".txt").c_str());
    }
    return contents;
  };
  WriteFile(in, list);
  const auto begun = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitForExit(StartCli(args, dir.path(), captures)), 0) << ReadFile(captures.File("err"));
  const long long runMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - begun)
                              .count();
  const std::string result = ReadFile(in);
  ASSERT_NE(result, list);
  const Names resultParts = parts();
  ASSERT_GE(resultParts.size(), 2u);

  constexpr int kRounds = 10;
  std::mt19937 random(11);
  int old = 0;
  int whole = 0;
  WriteFile(in, list);
  constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
  for (int round = 0; round < kRounds; ++round) {
    const int signal = kSignals[round % 3];
    const auto [status, where] =
        Interrupt(args, dir.path(), captures, signal, round, kRounds, 1.1, runMs, random);
    const std::string now = ReadFile(in);
    const bool isOld = now == list;
    const bool isNew = now == result;
    EXPECT_TRUE(isOld || isNew) << where << ": the list holds " << now.size() << " bytes";
    // A signal that came before the program could set up its handler killed it: the
    // status is the same.
    EXPECT_EQ(status, isNew ? 0 : 128 + signal) << where << ", signal " << signal;
    EXPECT_EQ(TempEntries(places), othersBefore) << where;
    EXPECT_EQ(parts(), isNew ? resultParts : Names{}) << where;
    EXPECT_EQ(dir.List(), (Names{"filter.txt", "in.txt"})) << where;
    old += isOld;
    whole += isNew;
    if (!isOld) WriteFile(in, list);
  }
  std::printf(
      "[ stop     ] %d stops over a run of %lld ms: %d left the old list, %d the "
      "result\n",
      kRounds, runMs, old, whole);
  EXPECT_GT(old, 0);
}

// Stops sent one after another from a moment into a short run until the program has
// exited, the last ones while it is leaving: each run ends as a run or as a stop does,
// never in a fault or a hang.
TEST(CrashSafetyTest, StopsUntilTheProgramHasExitedEndItAsARunOrAStop) {
  TempDir dir;
  TempDir captures;
  WriteFile(dir.File("in.txt"), MakeList(64u << 10, 5));
  const Names args = {"-q", "--sort-email", "-o", "out.txt", "in.txt"};
  for (int round = 0; round < 20; ++round) {
    const pid_t pid = StartCli(args, dir.path(), captures);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * round + 1));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    bool exited = false;
    while (!(exited = ::waitpid(pid, &status, WNOHANG) == pid) &&
           std::chrono::steady_clock::now() < deadline) {
      ::kill(pid, SIGTERM);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!exited) {
      ::kill(pid, SIGKILL);
      WaitForExit(pid);
      ADD_FAILURE() << "round " << round << ": still running 10 s after the first stop";
      continue;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    EXPECT_TRUE(code == 0 || code == 128 + SIGTERM)
        << "round " << round << ", status " << code << ": " << ReadFile(captures.File("err"));
    ::unlink(dir.File("out.txt").c_str());
  }
}

}  // namespace
}  // namespace vantor
