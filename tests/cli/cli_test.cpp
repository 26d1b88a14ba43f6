// vantor-cli end to end: the real program on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "engine/platform/env.h"
#include "tests/cli/cli_process.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Finish;
using testing::Outcome;
using testing::ReadFile;
using testing::StartCli;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

class CliTest : public ::testing::Test {
 protected:
  Outcome Run(const std::vector<std::string>& args) {
    return Finish(StartCli(args, dir_.path(), captures_), captures_);
  }

  TempDir dir_;
  TempDir captures_;
};

TEST_F(CliTest, FiltersAListAndReportsWithLineFeeds) {
  WriteFile(dir_.File("in.txt"), "a@x.com\r\nB@SPAM.org\r\n\r\nc@y.com\r\nfoo@spam.org");
  WriteFile(dir_.File("f.txt"), "  spam.ORG  \n");
  Outcome run = Run({"--filter", "f.txt", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "a@x.com\r\nc@y.com\r\n");
  EXPECT_TRUE(std::regex_match(
      run.out, std::regex("Filter list:\n2 email\\(s\\) denied from the list of 5 emails while "
                          "filtering\n\nProcessing has taken [0-9. a-z()]*\n")))
      << run.out;
  EXPECT_EQ(run.err, "");  // no progress display when standard error is no terminal
}

TEST_F(CliTest, ReplaceInputReplacesTheListItself) {
  WriteFile(dir_.File("in.txt"), "a@x.com\nb@spam.org\n");
  WriteFile(dir_.File("f.txt"), "spam\n");
#ifndef _WIN32  // Windows has no permission bits to keep
  ASSERT_EQ(::chmod(dir_.File("in.txt").c_str(), 0604), 0);
#endif
  Outcome run = Run({"-q", "--replace-input", "--filter", "f.txt", "in.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a@x.com\n");
#ifndef _WIN32
  struct stat st;
  ASSERT_EQ(::stat(dir_.File("in.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
#endif
  EXPECT_EQ(dir_.List(), (Names{"f.txt", "in.txt"}));
}

TEST_F(CliTest, AUsageErrorTouchesNothing) {
  WriteFile(dir_.File("in.txt"), "a@x.com\n");
  WriteFile(dir_.File("out.txt"), "previous\n");
  const std::vector<std::vector<std::string>> calls = {
      {"-o", "out.txt", "in.txt"},
      {"--filter", "f.txt", "in.txt"},
      {"--filter", "f.txt", "-o", "out.txt", "--seed", "x", "in.txt"},
      {"--filter", "f.txt", "-o", "out.txt", "--bogus", "in.txt"},
      {"--merge", "-o", "out.txt", "in.txt"},
  };
  for (const auto& args : calls) {
    Outcome run = Run(args);
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(std::regex_match(
        run.err, std::regex("vantor-cli: [^\n]+\nTry 'vantor-cli --help' for more information.\n")))
        << run.err;
    EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
    EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
  }
}

// Usage errors name their reason, or show the two forms of the command when nothing is
// given, and point to --help; --help ends with the exit statuses and the manual.
TEST_F(CliTest, UsageErrorsPointToHelp) {
  const std::string tryHelp = "Try 'vantor-cli --help' for more information.\n";
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  for (const Case& c : {
           Case{{},
                "Usage: vantor-cli [OPTIONS] INPUT\n"
                "       vantor-cli --merge -o OUTPUT LIST LIST [LIST...]\n" +
                    tryHelp},
           Case{{"--frobnicate", "in.txt"}, "vantor-cli: unknown option --frobnicate\n" + tryHelp},
       }) {
    Outcome run = Run(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
  Outcome help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("\nExit status:\n  0      every result is in place"), std::string::npos);
  EXPECT_NE(help.out.find("  128+N  stopped by signal N (129 SIGHUP, 130 SIGINT, 143 SIGTERM)"),
            std::string::npos);
  EXPECT_TRUE(help.out.ends_with("Full documentation: man vantor-cli\n")) << help.out;
}

// A run that fails says why; a job whose result could not be put in place is refused
// before any work. Either way the destination stays as it was.
TEST_F(CliTest, AFailedOrRefusedRunLeavesTheDestination) {
  WriteFile(dir_.File("in.txt"), "a@x.com\n");
  WriteFile(dir_.File("f.txt"), "zzz\n");
  WriteFile(dir_.File("out.txt"), "previous\n");
  struct Case {
    Names args;
    mode_t destinationMode;
    int status;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {{"--filter", "missing.txt", "-o", "out.txt", "in.txt"},
       0644,
       1,
       "Filter list:\n",
       "Error occured while processing lists:\nfailed to open file\n"
       "vantor-cli: cannot open 'missing.txt': No such file or directory\n"},
      {{"--filter", "f.txt", "-o", "out.txt", "in.txt"},
       0444,
       2,
       "",
       "vantor-cli: 'out.txt': file not writable\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(::chmod(dir_.File("out.txt").c_str(), c.destinationMode), 0);
    Outcome run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.err;
    EXPECT_EQ(run.out, c.out);
    // The reason in the same words on every system.
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
  }
}

// Files the job cannot use are refused before anything is touched, named as given.
TEST_F(CliTest, SpecialFilesAndMissingFoldersAreRefusedBeforeAnyWork) {
  WriteFile(dir_.File("in.txt"), "a@x.com\n");
  WriteFile(dir_.File("out.txt"), "previous\n");
  std::filesystem::create_directory(dir_.File("sub"));
#ifdef _WIN32
  // Windows has no FIFOs among the files; its devices are the special files there.
  const std::string sink = "NUL";
  const std::string special = "NUL";
  const Names files = {"in.txt", "out.txt", "sub"};
#else
  ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  const std::string sink = "/dev/null";
  const std::string special = "fifo";
  const Names files = {"fifo", "in.txt", "out.txt", "sub"};
#endif
  const std::string notRegular = "'" + special + "': not a regular file";
  struct Case {
    Names args;
    std::string err;
  };
  const Case cases[] = {
      {{"--sort-email", "-o", sink, "in.txt"}, "'" + sink + "': not a regular file"},
      {{"--sort-email", "-o", "sub", "in.txt"}, "'sub': not a regular file"},
      {{"--sort-email", "-o", "out.txt", special}, notRegular},
      {{"--filter", special, "-o", "out.txt", "in.txt"}, notRegular},
      {{"--merge", "-o", "out.txt", "in.txt", special}, notRegular},
      {{"--sort-email", "-o", "none/out.txt", "in.txt"}, "'none': no such folder"},
      {{"--split-count", "1", "-o", "none/out.txt", "in.txt"}, "'none': no such folder"},
  };
  for (const Case& c : cases) {
    Outcome run = Run(c.args);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_EQ(run.err, "vantor-cli: " + c.err + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir_.List(), files) << c.err;
    EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
  }
}

// A name the system cannot use is refused with the system's reason, not taken for a
// file that is not a regular one.
TEST_F(CliTest, NamesThatCannotBeUsedAreRefusedWithTheSystemsReason) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons are the POSIX system's";
#else
  WriteFile(dir_.File("in.txt"), "a@x.com\n");
  ASSERT_EQ(::symlink("loop", dir_.File("loop").c_str()), 0);
  ASSERT_EQ(::symlink("missing/out.txt", dir_.File("dangling").c_str()), 0);
  // Deeper than a path may be: each folder's name is long, the whole over 4096 bytes.
  std::string deep;
  int at = ::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < 22; ++level) {
    const std::string folder(200, 'd');
    deep += folder + "/";
    ASSERT_EQ(::mkdirat(at, folder.c_str(), 0700), 0);
    const int next = ::openat(at, folder.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(at);
    at = next;
  }
  ::close(at);
  const std::pair<std::string, std::string> cases[] = {
      {std::string(256, 'n'), "File name too long"},
      {deep + "out.txt", "File name too long"},
      {"loop", "Too many levels of symbolic links"},
      {"dangling", "No such file or directory"},
  };
  for (const auto& [name, reason] : cases) {
    Outcome run = Run({"--sort-email", "-o", name, "in.txt"});
    EXPECT_EQ(run.status, 2) << reason;
    EXPECT_EQ(run.err, "vantor-cli: '" + name + "': " + reason + "\n");
  }
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a@x.com\n");
#endif
}

// A part whose name grows too long for the system (the tenth, one digit longer than
// the ninth) fails the split: no part is put in place, and the error names it.
TEST_F(CliTest, ASplitThatCannotNameAPartPutsNoPartInPlace) {
#ifdef _WIN32
  GTEST_SKIP() << "the longest name is the POSIX system's";
#else
  const std::string base(250, 'p');  // "p...p9.txt" is 255 bytes, "p...p10.txt" 256
  std::string list;
  for (int i = 0; i < 12; ++i) list += "user" + std::to_string(i) + "@x.com\n";
  WriteFile(dir_.File("in.txt"), list);
  WriteFile(dir_.File(base + "1.txt"), "previous\n");
  Outcome run = Run({"--split-count", "1", "-o", base + ".txt", "in.txt"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "Error occured while processing lists:\nfailed to open output file for writing\n"
            "vantor-cli: cannot create '" +
                base + "10.txt': File name too long\n");
  EXPECT_EQ(dir_.List(), (Names{"in.txt", base + "1.txt"}));
  EXPECT_EQ(ReadFile(dir_.File(base + "1.txt")), "previous\n");
#endif
}

// Where the system takes names that differ in letter case for one (Windows), a part or a
// list named in another case is found before any work.
TEST_F(CliTest, PartsNamedInAnotherCaseAreFoundBeforeAnyWork) {
  if (!kNamesIgnoreCase) GTEST_SKIP() << "names that differ in letter case are other names here";
  WriteFile(dir_.File("in.txt"), "a@x\nb@x\nc@x\n");
  WriteFile(dir_.File("OUT2.TXT"), "previous\n");
  std::filesystem::permissions(dir_.File("OUT2.TXT"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  Outcome run = Run({"--split-count", "1", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vantor-cli: 'OUT2.TXT': file not writable\n");
  EXPECT_EQ(dir_.List(), (Names{"OUT2.TXT", "in.txt"}));
  std::filesystem::permissions(dir_.File("OUT2.TXT"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  run = Run({"--split-count", "1", "-o", "out.txt", "OUT2.TXT"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vantor-cli: 'OUT2.TXT': split part would overwrite the list being split\n");
  EXPECT_EQ(ReadFile(dir_.File("OUT2.TXT")), "previous\n");
}

#ifdef _WIN32
// Another program has the destination open (as an editor or a spreadsheet may): the job
// is refused before any work, not after all of it.
TEST_F(CliTest, ADestinationOpenInAnotherProgramIsRefusedBeforeAnyWork) {
  WriteFile(dir_.File("in.txt"), "b@x\na@x\n");
  WriteFile(dir_.File("out.txt"), "previous\n");
  const HANDLE held = ::CreateFileW(testing::WideOf(dir_.File("out.txt")).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Outcome run = Run({"--sort-email", "-o", "out.txt", "in.txt"});
  ::CloseHandle(held);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vantor-cli: 'out.txt': file in use by another program\n");
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
  run = Run({"--sort-email", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "a@x\nb@x\n");
}
#endif

// A link is followed once: the file it names gets the result and the link stays.
TEST_F(CliTest, ALinkAsInputOrDestinationIsFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
  WriteFile(dir_.File("in.txt"), "b@x.com\na@x.com\n");
  WriteFile(dir_.File("target.txt"), "previous\n");
  ASSERT_EQ(::symlink("in.txt", dir_.File("list-link").c_str()), 0);
  ASSERT_EQ(::symlink("target.txt", dir_.File("out-link").c_str()), 0);
  Outcome run = Run({"--sort-email", "-o", "out-link", "list-link"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir_.File("target.txt")), "a@x.com\nb@x.com\n");
  struct stat st;
  ASSERT_EQ(::lstat(dir_.File("out-link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "list-link", "out-link", "target.txt"}));
#endif
}

// A name is the file of that name: blanks around it are a part of it.
TEST_F(CliTest, NamesWithBlanksAroundThemAreTheirOwnFiles) {
  const std::map<std::string, std::string> lists = {
      {"a", "b@x\na@x\n"},
      {" a", "d@x\nc@x\n"},
#ifndef _WIN32  // Windows drops the trailing blanks of every name
      {"a ", "f@x\ne@x\n"},
#endif
      {"o", "previous\n"},
  };
  struct Case {
    Names args;
    std::string written;
    const char* result;
  };
  const Case cases[] = {
      {{"--sort-email", "-o", " o", "a"}, " o", "a@x\nb@x\n"},
      {{"--sort-email", "-r", " a"}, " a", "c@x\nd@x\n"},
      {{"--merge", "-o", " o", " a", "a"}, " o", "d@x\nc@x\nb@x\na@x\n"},
#ifndef _WIN32
      {{"--sort-email", "-o", "o ", "a"}, "o ", "a@x\nb@x\n"},
      {{"--sort-email", "-r", "a "}, "a ", "e@x\nf@x\n"},
#endif
  };
  for (const Case& c : cases) {
    for (const auto& [name, bytes] : lists) WriteFile(dir_.File(name), bytes);
    Outcome run = Run(c.args);
    EXPECT_EQ(run.status, 0) << "'" << c.written << "': " << run.err;
    EXPECT_EQ(ReadFile(dir_.File(c.written)), c.result) << "'" << c.written << "'";
    for (const auto& [name, bytes] : lists) {
      if (name != c.written) {
        EXPECT_EQ(ReadFile(dir_.File(name)), bytes) << "'" << name << "'";
      }
    }
    std::remove(dir_.File(c.written).c_str());
  }
}

TEST_F(CliTest, SortsWithDuplicatesRemovedAndReportsThem) {
  WriteFile(dir_.File("in.txt"), "b@x\nA@x\nc@y\na@x\nB@x\n");
  Outcome run = Run({"--sort-email", "--remove-duplicates", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(run.status, 0);
  // A@x, B@x, a@x, b@x, c@y in byte order: no two case variants stand together.
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "A@x\nB@x\na@x\nb@x\nc@y\n");
  EXPECT_EQ(run.out.substr(0, run.out.find("Processing")),
            "Sort list by entire email:\n5 email(s) sorted by entire email\n"
            "0 duplicate(s) found\n\n");

  WriteFile(dir_.File("in.txt"), "b@y\nA@x\na@x\n");
  run = Run({"--sort-domain", "--remove-duplicates", "-q", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "A@x\nb@y\n");
  EXPECT_NE(run.out.find("3 email(s) sorted by domain then by username\n1 duplicate(s) found"),
            std::string::npos);
}

TEST_F(CliTest, RandomizesTheSameWayForTheSameSeed) {
  std::string list;
  for (int i = 0; i < 500; ++i) list += "user" + std::to_string(i) + "@x.com\n";
  WriteFile(dir_.File("in.txt"), list);
  ASSERT_EQ(Run({"--randomize", "--seed", "7", "-o", "a.txt", "in.txt"}).status, 0);
  ASSERT_EQ(Run({"--randomize", "--seed", "7", "-o", "b.txt", "in.txt"}).status, 0);
  ASSERT_EQ(Run({"--randomize", "--seed", "8", "-o", "c.txt", "in.txt"}).status, 0);
  EXPECT_EQ(ReadFile(dir_.File("a.txt")), ReadFile(dir_.File("b.txt")));
  EXPECT_NE(ReadFile(dir_.File("a.txt")), ReadFile(dir_.File("c.txt")));
  EXPECT_NE(ReadFile(dir_.File("a.txt")), list);
  EXPECT_EQ(ReadFile(dir_.File("a.txt")).size(), list.size());
}

TEST_F(CliTest, EveryActionAtOnceGivesWhatTheyGiveOneByOne) {
  std::string list;
  for (int i = 0; i < 400; ++i)
    list += "u" + std::to_string(i * 7919 % 300) + "@d" + std::to_string(i % 9) + ".com\n";
  WriteFile(dir_.File("in.txt"), list);
  WriteFile(dir_.File("f.txt"), "u1\n");
  Outcome all = Run({"--split-count", "40", "--extract", "100", "--include", "x@y.z", "--every",
                     "9", "--sort-domain", "--remove-duplicates", "--filter", "f.txt", "--seed",
                     "3", "-q", "-o", "all.txt", "in.txt"});
  ASSERT_EQ(all.status, 0) << all.err;

  const std::vector<std::vector<std::string>> steps = {
      {"--filter", "f.txt", "-o", "one.txt", "in.txt"},
      {"--sort-domain", "--remove-duplicates", "-r", "one.txt"},
      {"--include", "x@y.z", "--every", "9", "-r", "one.txt"},
      {"--extract", "100", "--seed", "3", "-r", "one.txt"},
      {"--split-count", "40", "-r", "one.txt"},
  };
  std::string reports;
  for (const auto& step : steps) {
    Outcome run = Run(step);
    ASSERT_EQ(run.status, 0) << run.err;
    reports += run.out.substr(0, run.out.find("Processing has taken"));
  }
  EXPECT_EQ(all.out.substr(0, all.out.find("Processing has taken")), reports);
  EXPECT_EQ(ReadFile(dir_.File("all.txt")), ReadFile(dir_.File("one.txt")));
  for (const char* part : {"1", "2", "3"}) {
    EXPECT_EQ(ReadFile(dir_.File(std::string("all") + part + ".txt")),
              ReadFile(dir_.File(std::string("one") + part + ".txt")))
        << part;
  }
}

TEST_F(CliTest, MergesListsAndMaySplitThemBackIntoTheirParts) {
  WriteFile(dir_.File("a.txt"), "a@x\r\nb@x");
  WriteFile(dir_.File("b.txt"), "c@x\r\n");
  Outcome run = Run({"--merge", "-o", "all.txt", "a.txt", "b.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir_.File("all.txt")), "a@x\r\nb@x\r\nc@x\r\n");
  EXPECT_EQ(run.out.substr(0, run.out.find("Processing")), "2 files merged\n\n");

  // Parts named like the list being cut are refused before anything is written.
  WriteFile(dir_.File("out1.txt"), "keep\n");
  run = Run({"--split-count", "1", "-o", "out.txt", "out1.txt"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vantor-cli: 'out1.txt': split part would overwrite the list being split\n");
  EXPECT_EQ(ReadFile(dir_.File("out1.txt")), "keep\n");
}

TEST_F(CliTest, ADryRunPrintsTheSummaryAndTouchesNothing) {
  Outcome run = Run({"--dry-run", "--split-kb", "512", "--include", "x", "--every", "100",
                     "--sort-domain", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "We will process single list\n\ninput file: in.txt\noutput file: out.txt\n\n"
            "list will be sorted alphabetically by domain\n\n"
            "email will be included into the list after each 100 email(s): x\n\n"
            "Email list will be splitted , 512 kilobyte(s) in a part\n\n");
  EXPECT_TRUE(dir_.List().empty());
  EXPECT_EQ(Run({"--dry-run", "--every", "0", "--include", "x", "-o", "o", "in.txt"}).status, 2);
}

TEST_F(CliTest, HelpAndVersion) {
  Outcome help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("vantor-cli [OPTIONS] INPUT"), std::string::npos);
  Outcome version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vantor-cli ", 0), 0u);
}

// A signal stops the run as Cancel does: the destination stays as it was and the
// temporary file goes. The status tells the signal, as a shell tells a killed program's.
TEST_F(CliTest, ASignalStopsTheRunAndLeavesNoTrace) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals; Windows has the console's Ctrl+C";
#else
  std::string list;
  list.reserve(80 << 20);
  for (int i = 0; list.size() < (80u << 20); ++i) {
    list += "someone.number" + std::to_string(i) + "@example" + std::to_string(i % 997) + ".com\n";
  }
  WriteFile(dir_.File("in.txt"), list);
  WriteFile(dir_.File("f.txt"), "example13.com\nexample7.com\n");
  WriteFile(dir_.File("out.txt"), "previous\n");
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    pid_t pid = StartCli({"--filter", "f.txt", "-o", "out.txt", "in.txt"}, dir_.path(), captures_);
    // Wait until the action has made its temporary file, then stop it.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
      for (const std::string& name : dir_.List()) started = started || name.rfind("vnt", 0) == 0;
      if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(started);
    ::kill(pid, signal);
    Outcome run = Finish(pid, captures_);
    EXPECT_EQ(run.status, 128 + signal);
    EXPECT_EQ(ReadFile(dir_.File("out.txt")), "previous\n");
    EXPECT_EQ(dir_.List(), (Names{"f.txt", "in.txt", "out.txt"})) << "signal " << signal;
  }
#endif
}

}  // namespace
}  // namespace vantor
