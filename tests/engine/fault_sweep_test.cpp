// One sweep over every action: each counted call of a clean run fails in turn, once and
// then from there on, and a stop is asked for at each message in turn. Whatever
// happens, the destination is the old file or the whole new one, the error names a
// call that failed, and no temporary file is left.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/runner.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Call;
using testing::ErrorTextOf;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;
using Names = std::vector<std::string>;
using Texts = std::map<Call, std::set<std::string>>;

constexpr Call kAllCalls[] = {Call::OpenRead, Call::Read,     Call::Write,   Call::Sync,
                              Call::Close,    Call::TempName, Call::SetMode, Call::Rename};

// The texts the engine raises for each kind of call, changed where an action words
// its own.
Texts TextsWith(const Texts& own) {
  Texts texts;
  for (Call kind : kAllCalls) texts[kind] = {ErrorTextOf(kind)};
  for (const auto& [kind, words] : own) texts[kind] = words;
  return texts;
}

// The texts of list_reader.cpp, list_writer.cpp and runner.cpp, as they stand.
const Texts kPlainTexts = TextsWith({});

const Texts kSortTexts = TextsWith({});

const Texts kSplitByCountTexts = TextsWith({});
const Texts kSplitBySizeTexts = TextsWith({
    {Call::OpenRead, {"failed to open file for reading"}},
    {Call::Read, {"failed to read data"}},
});

const Texts kMergeTexts = TextsWith({
    {Call::OpenRead, {"failed to open input file for reading"}},
    {Call::Read, {"failed to read from file"}},
    // A list's bytes, or the line end added after a list without one.
    {Call::Write, {"failed to write into file", "failed to write info file"}},
    {Call::Sync, {"failed to write into file"}},
    {Call::Close, {"failed to write into file"}},
});

// A list of a few hundred bytes: repeats that differ in case, a blank line, CR LF
// lines, and a last line without its LF.
std::string SweepList() {
  std::string list;
  for (int i = 0; i < 36; ++i) {
    list += (i % 4 == 0 ? "User" : "user") + std::to_string(i * 37 % 23) + "@dom" +
            std::to_string(i % 5) + ".com";
    list += i == 11 ? "\r\n" : "\n";
    if (i == 17) list += "\n";
  }
  return list + "last@dom9.com";
}

struct ActionCase {
  const char* name;
  // Sets the action and its small chunk sizes; writes the files it reads beside in.txt.
  std::function<void(ProcessingJob&, const testing::TempDir&)> configure;
  const Texts* texts;
  std::string heading;  // what the results text holds when the action gives no report
  bool split = false;
  // Several actions: the destination is the old file until the last of them commits,
  // and the results text depends on which of them failed.
  bool chain = false;
};

void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

void SmallChunks(ProcessingJob& job) {
  job.chunkSizes.list = 64;
  job.chunkSizes.writeBuffer = 48;
}

// A sort of a dozen parts, merged three files at a time through intermediate files,
// each read in chunks smaller than a line.
std::function<void(ProcessingJob&, const testing::TempDir&)> Rearranging(int mode, bool dedup) {
  return [mode, dedup](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.chunkSizes.merge = 16;
    job.chunkSizes.mergeFanIn = 3;
    job.rearrangeMode = static_cast<RearrangeMode>(mode);
    job.sortByEmail = mode == 0;
    job.sortByDomain = mode == 1;
    job.randomize = mode == 2;
    job.removeDuplicates = dedup;
  };
}

std::function<void(ProcessingJob&, const testing::TempDir&)> Filtering(bool streaming) {
  return [streaming](ProcessingJob& job, const testing::TempDir& dir) {
    SmallChunks(job);
    job.filterOn = true;
    job.filterFileName = dir.File("filter.txt");
    WriteFile(job.filterFileName, "user1\n  DOM3.com \n\nnobody@nowhere\r\nuser2@");
    job.chunkSizes.filter = 16;
    // Streaming reads the filter file again for every chunk of the list.
    if (streaming) job.chunkSizes.filterInMemory = 0;
  };
}

std::function<void(ProcessingJob&, const testing::TempDir&)> Splitting(bool byCount) {
  return [byCount](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.chunkSizes.writeBuffer = 16;
    job.splitOn = true;
    job.splitByCount = byCount;
    job.splitSize = byCount ? 7 : 100;
  };
}

const ActionCase kCases[] = {
    {"Filter", Filtering(false), &kPlainTexts, "Filter list:\r\n"},
    {"FilterStreaming", Filtering(true), &kPlainTexts, "Filter list:\r\n"},
    {"SortByEmail", Rearranging(0, false), &kSortTexts, "Sort list by entire email:\r\n"},
    {"SortByEmailRemovingDuplicates", Rearranging(0, true), &kSortTexts,
     "Sort list by entire email:\r\n"},
    {"SortByDomain", Rearranging(1, false), &kSortTexts, "Sort list by domain:\r\n"},
    {"SortByDomainRemovingDuplicates", Rearranging(1, true), &kSortTexts,
     "Sort list by domain:\r\n"},
    {"Randomize", Rearranging(2, false), &kSortTexts, "Randomize list:\r\n"},
    {"Include",
     [](ProcessingJob& job, const testing::TempDir&) {
       SmallChunks(job);
       job.includeOn = true;
       job.includeEmail = "added@here.org";
       job.includePeriod = 5;
     },
     &kPlainTexts, "Include email into the list:\r\n"},
    {"Extract",
     [](ProcessingJob& job, const testing::TempDir&) {
       SmallChunks(job);
       job.extractOn = true;
       job.extractCount = 20;
     },
     &kPlainTexts, "Extract random sublist:\r\n"},
    {"SplitByCount", Splitting(true), &kSplitByCountTexts, "Split list:\r\n", true},
    {"SplitBySize", Splitting(false), &kSplitBySizeTexts, "Split list:\r\n", true},
    {"FilterSortInclude",
     [](ProcessingJob& job, const testing::TempDir& dir) {
       Filtering(false)(job, dir);
       Rearranging(0, true)(job, dir);
       job.includeOn = true;
       job.includeEmail = "added@here.org";
       job.includePeriod = 5;
     },
     &kPlainTexts, "", false, true},
    {"Merge",
     [](ProcessingJob& job, const testing::TempDir& dir) {
       job.singleListMode = false;
       job.chunkSizes.list = 8;
       const Names lists = {"", "a@x.org\r\nb@x.org", "c@y.org\nd@y.org\n", "", "e@z.org",
                            "f@z.org\ng@z.org\nh@z.org\n"};
       job.mergeFiles.clear();
       for (std::size_t i = 0; i < lists.size(); ++i) {
         job.mergeFiles.push_back(dir.File("list" + std::to_string(i) + ".txt"));
         WriteFile(job.mergeFiles.back(), lists[i]);
       }
     },
     &kMergeTexts, ""},
};

// The sweep makes thousands of runs, each creating, renaming and deleting a dozen small
// files: tens of milliseconds a run on a disk, well under one in memory. Set before any
// fixture makes its directory.
[[maybe_unused]] const bool kDirectoriesInMemory = [] {
  if (::access("/dev/shm", W_OK) != 0) return false;
  ::setenv("TMPDIR", "/dev/shm", 1);
  return true;
}();

class FaultSweepTest : public testing::ActionTest,
                       public ::testing::WithParamInterface<ActionCase> {
 protected:
  FaultSweepTest() {
    WriteFile(job_.inputFileName, SweepList());
    GetParam().configure(job_, dir_);
    inputs_ = dir_.List();
  }

  // Runs the job afresh: the same seed, no parts of an earlier split, the old
  // destination. Returns the error text, empty when the run completed.
  std::string Fresh() {
    for (const std::string& name : Parts()) ::unlink(dir_.File(name).c_str());
    WriteFile(job_.outputFileName, "previous\n");
    job_.random.Seed(17);
    return RunAgain();
  }

  // The parts of a split of out.txt, in the order of their numbers.
  Names Parts() const {
    std::map<int, std::string> parts;
    for (const std::string& name : dir_.List()) {
      if (name.size() > 7 && name.rfind("out", 0) == 0 && name != "out.txt" &&
          name.compare(name.size() - 4, 4, ".txt") == 0) {
        parts[std::stoi(name.substr(3))] = name;
      }
    }
    Names names;
    for (const auto& [number, name] : parts) names.push_back(name);
    return names;
  }

  Names TempFiles() const {
    Names names;
    for (const std::string& name : dir_.List()) {
      if (name.rfind("vnt", 0) == 0) names.push_back(name);
    }
    return names;
  }

  // What the directory holds besides the files of the job, the destination, the parts
  // and temporary files.
  Names Strangers() const {
    Names strangers;
    const Names parts = Parts();
    for (const std::string& name : dir_.List()) {
      if (name == "out.txt" || name.rfind("vnt", 0) == 0) continue;
      if (std::find(inputs_.begin(), inputs_.end(), name) != inputs_.end()) continue;
      if (std::find(parts.begin(), parts.end(), name) != parts.end()) continue;
      strangers.push_back(name);
    }
    return strangers;
  }

  // The contents of the parts as they stand.
  Names PartContents() const {
    Names contents;
    for (const std::string& name : Parts()) contents.push_back(ReadFile(dir_.File(name)));
    return contents;
  }

  // The parts left by a split that did not finish: numbered from 1 without a gap, each
  // the beginning of the part of that number of a complete split.
  std::string CheckPartsBegin(const Names& whole) const {
    const Names names = Parts();
    const Names left = PartContents();
    if (left.size() > whole.size()) return "more parts than a complete split makes";
    for (std::size_t k = 0; k < left.size(); ++k) {
      if (names[k] != "out" + std::to_string(k + 1) + ".txt") return "a gap before " + names[k];
      if (whole[k].compare(0, left[k].size(), left[k]) != 0) {
        return names[k] + " is no beginning of the complete part";
      }
    }
    return "";
  }

  // The problems after a run that failed on the faults the env holds now.
  std::string CheckAfterFault(const std::string& error, const Names& whole) {
    const ActionCase& c = GetParam();
    std::string problems;
    auto add = [&](const std::string& problem) {
      if (!problem.empty()) problems += "\n  " + problem;
    };
    const std::set<Call> faults = env_.faults();
    if (faults.empty()) add("no call failed");
    std::set<std::string> allowed;
    for (Call kind : faults) {
      const std::set<std::string>& texts = c.texts->at(kind);
      allowed.insert(texts.begin(), texts.end());
    }
    if (error.empty()) {
      add("the run reported success");
    } else if (allowed.count(error) == 0) {
      add("error \"" + error + "\" is not the text of a failed call");
    }
    if (ReadFile(job_.outputFileName) != "previous\n") add("the destination changed");
    if (!c.chain && job_.resultsText != c.heading) {
      add("results text \"" + job_.resultsText + "\"");
    }
    if (!TempFiles().empty()) add("temporary file " + TempFiles().front() + " left");
    if (!Strangers().empty()) add("unknown file " + Strangers().front());
    for (const std::string& input : inputs_) {
      if (!FileExists(dir_.File(input))) add(input + " is gone");
    }
    if (ReadFile(dir_.File("in.txt")) != SweepList()) add("the list changed");
    if (c.split) add(CheckPartsBegin(whole));
    return problems;
  }

  Names inputs_;  // the files the job reads
};

TEST_P(FaultSweepTest, AFaultAtAnyCallLeavesTheDestinationAndNoTemporaryFile) {
  const ActionCase& c = GetParam();
  const std::uint64_t before = env_.calls();
  ASSERT_EQ(Fresh(), "");
  const std::uint64_t calls = env_.calls() - before;
  const std::string expected = ReadFile(job_.outputFileName);
  const std::string report = job_.resultsText;
  const Names whole = PartContents();
  ASSERT_TRUE(TempFiles().empty());
  if (c.split) {
    ASSERT_EQ(expected, "previous\n");
    ASSERT_GE(whole.size(), 3u);
  } else {
    ASSERT_NE(expected, "previous\n");
  }

  // Every kind of call the action makes is among those failed.
  std::set<Call> kinds;
  int points = 0;
  int passed = 0;
  for (bool onward : {false, true}) {
    for (std::uint64_t n = 1; n <= calls; ++n) {
      const std::string where =
          std::string(c.name) + " call " + std::to_string(n) + (onward ? " onward" : " once");
      env_.FailAt(env_.calls() + n, onward);
      const std::string error = Fresh();
      const std::set<Call> faults = env_.faults();
      kinds.insert(faults.begin(), faults.end());
      const std::string problems = CheckAfterFault(error, whole);
      ++points;
      if (problems.empty()) ++passed;
      EXPECT_EQ(problems, "") << where;
      RemoveTempFiles();
      env_.ClearFaults();
    }
  }
  std::printf("[ sweep    ] %s: %llu calls, %d fault points, %d passed\n", c.name,
              static_cast<unsigned long long>(calls), points, passed);
  for (Call kind : kAllCalls) {
    if (env_.callsOf(kind) > 0) {
      EXPECT_EQ(kinds.count(kind), 1u) << "no call of kind " << static_cast<int>(kind) << " failed";
    }
  }

  // Nothing an error left behind changes the next run.
  ASSERT_EQ(Fresh(), "");
  EXPECT_EQ(ReadFile(job_.outputFileName), expected);
  EXPECT_EQ(job_.resultsText, report);
  EXPECT_EQ(PartContents(), whole);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_P(FaultSweepTest, AStopAtAnyMessageLeavesTheOldFileOrTheWholeNewOne) {
  const ActionCase& c = GetParam();
  ASSERT_EQ(Fresh(), "");
  const std::string expected = ReadFile(job_.outputFileName);
  const std::string report = job_.resultsText;
  const Names whole = PartContents();

  int points = 0;
  int passed = 0;
  int committed = 0;
  for (int stopAt = 1;; ++stopAt) {
    int seen = 0;
    bool endSeen = false;
    bool stoppedAfterEnd = false;  // the action had ended when the stop was asked for
    sink_.onPost = [&](const RunnerMessage& m) {
      if (m.code == WMU_ACTION_END) endSeen = true;
      if (++seen == stopAt) {
        job_.runPermission->Reset();
        stoppedAfterEnd = endSeen;
      }
    };
    const std::string error = Fresh();
    sink_.onPost = nullptr;
    if (seen < stopAt) break;  // the run ended before this message
    ++points;
    const std::string where = std::string(c.name) + " stop at message " + std::to_string(stopAt) +
                              " of " + std::to_string(seen);
    std::string problems;
    auto add = [&](const std::string& problem) {
      if (!problem.empty()) problems += "\n  " + problem;
    };
    if (!error.empty()) add("error \"" + error + "\"");
    if (sink_.Trace().back() != "done") add("the run did not end with done");
    const Names info = sink_.Texts(WMU_INFO);
    const bool renamed = std::find(info.begin(), info.end(),
                                   "Renaming temporary file into output file...") != info.end();
    const bool finished = c.chain ? job_.completed : c.split ? stoppedAfterEnd : renamed;
    if (finished) {
      ++committed;
      if (ReadFile(job_.outputFileName) != expected) add("the destination is not the result");
      if (job_.resultsText != report) add("results text \"" + job_.resultsText + "\"");
      if (c.split && PartContents() != whole) add("the parts are not the whole split");
    } else {
      if (ReadFile(job_.outputFileName) != "previous\n") add("the destination changed");
      if (!c.chain && job_.resultsText != c.heading) {
        add("results text \"" + job_.resultsText + "\"");
      }
      if (c.split) add(CheckPartsBegin(whole));
    }
    if (!TempFiles().empty()) add("temporary file " + TempFiles().front() + " left");
    if (!Strangers().empty()) add("unknown file " + Strangers().front());
    if (ReadFile(dir_.File("in.txt")) != SweepList()) add("the list changed");
    if (problems.empty()) ++passed;
    EXPECT_EQ(problems, "") << where;
    RemoveTempFiles();
  }
  std::printf("[ sweep    ] %s: %d stop points (%d after the commit), %d passed\n", c.name,
              points, committed, passed);
  EXPECT_GT(points - committed, 5) << "too few stops before the commit";
}

INSTANTIATE_TEST_SUITE_P(EveryAction, FaultSweepTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ActionCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vantor
