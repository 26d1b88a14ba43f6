// One sweep over every action: each counted call of a clean run fails in turn, once and
// then from there on; a stop is asked for at each message in turn; the power goes off
// at each call of a short run. Whatever happens, the destination is the old file or
// the whole new one, a run that fails says so with the text of a call that failed,
// and no temporary file is left but by a power cut or a failed delete.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// The texts the engine raises for each kind of call, changed where an action words
// its own; none for the calls it goes on without.
Texts TextsWith(const Texts& own) {
  Texts texts;
  for (Call kind : testing::kAllCalls) {
    texts[kind] = {};
    if (const char* text = ErrorTextOf(kind)) texts[kind].insert(text);
  }
  for (const auto& [kind, words] : own) texts[kind] = words;
  return texts;
}

// The texts of list_reader.cpp, list_writer.cpp and runner.cpp, as they stand.
const Texts kPlainTexts = TextsWith({});

const Texts kSplitBySizeTexts = TextsWith({
    {Call::OpenRead, {"failed to open file for reading"}},
    {Call::Read, {"failed to read data"}},
});

const Texts kMergeTexts = TextsWith({
    {Call::OpenRead, {"failed to open input file for reading"}},
    {Call::Read, {"failed to read from file"}},
    // A list's bytes, or the line end added after a list without one.
    {Call::Write, {"failed to write into file", "failed to write info file"}},
    {Call::Copy, {"failed to write into file"}},
    {Call::Sync, {"failed to write into file"}},
    {Call::Close, {"failed to write into file"}},
});

// A list of `lines` lines, a few hundred bytes for the whole: repeats that differ in
// case, a blank line, a CR LF line, and a last line without its LF.
std::string SweepList(int lines = 36) {
  std::string list;
  for (int i = 0; i < lines; ++i) {
    list += (i % 4 == 0 ? "User" : "user") + std::to_string(i * 37 % 23) + "@dom" +
            std::to_string(i % 5) + ".com";
    list += i == 11 ? "\r\n" : "\n";
    if (i == 5) list += "\n";
  }
  return list + "last@dom9.com";
}

// Sets the action and its small chunk sizes; writes the files it reads beside in.txt,
// and into in.txt a list of its own where the sweep's is not the one to cut.
using Configure = std::function<void(ProcessingJob&, const testing::TempDir&)>;

struct ActionCase {
  const char* name;
  Configure configure;
  const Texts* texts;
  std::string heading;  // what the results text holds when the action gives no report
  bool split = false;
  // Several actions: the destination is the old file until the last of them commits,
  // and the results text depends on which of them failed.
  bool chain = false;
};

void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

void Chunks(ProcessingJob& job, std::uint32_t list, std::uint32_t writeBuffer) {
  job.chunkSizes.list = list;
  job.chunkSizes.writeBuffer = writeBuffer;
}

void SmallChunks(ProcessingJob& job) { Chunks(job, 64, 48); }

// The action of `configure` on `list`, in chunks of `chunk` bytes written through a
// buffer of `writeBuffer`.
Configure On(std::string list, std::uint32_t chunk, std::uint32_t writeBuffer,
             Configure configure) {
  return [=](ProcessingJob& job, const testing::TempDir& dir) {
    configure(job, dir);
    Chunks(job, chunk, writeBuffer);
    WriteFile(dir.File("in.txt"), list);
  };
}

// A sort of a dozen parts, merged three files at a time through intermediate files,
// each read in chunks smaller than a line.
Configure Rearranging(int mode, bool dedup, std::size_t fanIn = 3) {
  return [=](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.chunkSizes.merge = 16;
    job.chunkSizes.mergeFanIn = fanIn;
    job.rearrangeMode = static_cast<RearrangeMode>(mode);
    job.sortByEmail = mode == 0;
    job.sortByDomain = mode == 1;
    job.randomize = mode == 2;
    job.removeDuplicates = dedup;
  };
}

Configure Filtering(bool streaming,
                    std::string filter = "user1\n  DOM3.com \n\nnobody@nowhere\r\nuser2@") {
  return [=](ProcessingJob& job, const testing::TempDir& dir) {
    SmallChunks(job);
    job.filterOn = true;
    job.filterFileName = dir.File("filter.txt");
    WriteFile(job.filterFileName, filter);
    job.chunkSizes.filter = 16;
    // Streaming reads the filter file again for every chunk of the list.
    if (streaming) job.chunkSizes.filterInMemory = 0;
  };
}

// In memory, or in parts when `keys` is small.
// In memory, or in parts when `keys` is small; every other address of the sweep's list
// suppressed, so that the parts leave many files of lines to drop.
Configure Suppressing(std::size_t keys) {
  return [=](ProcessingJob& job, const testing::TempDir& dir) {
    SmallChunks(job);
    job.chunkSizes.keysInMemory = keys;
    // The parts' files of lines to drop are merged two at a time before the last pass.
    job.chunkSizes.mergeFanIn = 2;
    job.suppressOn = true;
    job.suppressFileName = dir.File("sup.txt");
    std::string suppression = "\n  nobody@x \t\r\n";
    for (int i = 0; i < 36; i += 2) {
      suppression +=
          "USER" + std::to_string(i * 37 % 23) + "@dom" + std::to_string(i % 5) + ".com\n";
    }
    WriteFile(job.suppressFileName, suppression);
  };
}

Configure Deduping(std::size_t keys) {
  return [=](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.chunkSizes.keysInMemory = keys;
    job.keepOrderDedupe = true;
    job.rearrangeMode = RearrangeMode::kKeepOrder;
  };
}

Configure Including(std::string email, std::int32_t period) {
  return [=](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.includeOn = true;
    job.includeEmail = email;
    job.includePeriod = period;
  };
}

Configure Extracting(std::int32_t count) {
  return [=](ProcessingJob& job, const testing::TempDir&) {
    SmallChunks(job);
    job.extractOn = true;
    job.extractCount = count;
  };
}

Configure Splitting(bool byCount, std::int32_t size) {
  return [=](ProcessingJob& job, const testing::TempDir&) {
    Chunks(job, 64, 16);
    job.splitOn = true;
    job.splitByCount = byCount;
    job.splitSize = size;
  };
}

Configure Merging(Names lists, std::uint32_t chunk) {
  return [=](ProcessingJob& job, const testing::TempDir& dir) {
    job.singleListMode = false;
    job.chunkSizes.list = chunk;
    job.mergeFiles.clear();
    for (std::size_t i = 0; i < lists.size(); ++i) {
      job.mergeFiles.push_back(dir.File("list" + std::to_string(i) + ".txt"));
      WriteFile(job.mergeFiles.back(), lists[i]);
    }
  };
}

// The clean, its dropped lines kept in rejects.txt beside the list.
Configure Cleaning() {
  return [](ProcessingJob& job, const testing::TempDir& dir) {
    SmallChunks(job);
    job.cleanOn = true;
    job.rejectsFileName = dir.File("rejects.txt");
  };
}

Configure FoldingCase(Configure sort) {
  return [=](ProcessingJob& job, const testing::TempDir& dir) {
    sort(job, dir);
    job.foldCase = true;
  };
}

std::string Numbered(int count, const char* end) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "l" + std::to_string(100 + i) + end;
  return text;
}

const std::string kTenLines =
    "u9@x.com\nu8@x.com\nu7@y.com\nu6@x.com\nu5@z.com\n"
    "u4@x.com\nu3@x.com\nu2@y.com\nu1@x.com\nu0@z.com\n";
const std::string kSplitList = "one@x.com\ntwo@x.com\r\n\nthree@y.org\nfour@z.net\nfive@z.com";

const std::string kCleanList = " one@x.com \r\n\t\n junk \nfour@y.org\nno@@pe\n" +
                               std::string(40, 'w') + "@z.org\n\r\nlast@x.com\t";

const ActionCase kCases[] = {
    {"Clean", Cleaning(), &kPlainTexts, "Clean list:\r\n"},
    {"CleanInChunksOf16", On(kCleanList, 16, 8, Cleaning()), &kPlainTexts, "Clean list:\r\n"},
    {"SortByEmailFoldingCaseRemovingDuplicates", FoldingCase(Rearranging(0, true)), &kPlainTexts,
     "Sort list by entire email:\r\n"},
    {"SortByDomainFoldingCase", FoldingCase(Rearranging(1, false)), &kPlainTexts,
     "Sort list by domain:\r\n"},
    // The result and the rejects, put in place together.
    {"CleanSortFoldingCase",
     [](ProcessingJob& job, const testing::TempDir& dir) {
       Cleaning()(job, dir);
       FoldingCase(Rearranging(1, true))(job, dir);
     },
     &kPlainTexts, "", false, true},
    {"Filter", Filtering(false), &kPlainTexts, "Filter list:\r\n"},
    {"FilterStreaming", Filtering(true), &kPlainTexts, "Filter list:\r\n"},
    {"SortByEmail", Rearranging(0, false), &kPlainTexts, "Sort list by entire email:\r\n"},
    {"SortByEmailRemovingDuplicates", Rearranging(0, true), &kPlainTexts,
     "Sort list by entire email:\r\n"},
    {"SortByDomain", Rearranging(1, false), &kPlainTexts, "Sort list by domain:\r\n"},
    {"SortByDomainRemovingDuplicates", Rearranging(1, true), &kPlainTexts,
     "Sort list by domain:\r\n"},
    {"Randomize", Rearranging(2, false), &kPlainTexts, "Randomize list:\r\n"},
    {"Include", Including("added@here.org", 5), &kPlainTexts, "Include email into the list:\r\n"},
    {"Suppress", Suppressing(1 << 20), &kPlainTexts, "Suppress list:\r\n"},
    {"SuppressInParts", Suppressing(400), &kPlainTexts, "Suppress list:\r\n"},
    {"Dedupe", Deduping(1 << 20), &kPlainTexts, "Remove duplicates, order kept:\r\n"},
    {"DedupeInParts", Deduping(600), &kPlainTexts, "Remove duplicates, order kept:\r\n"},
    {"Extract", Extracting(20), &kPlainTexts, "Extract random sublist:\r\n"},
    {"SplitByCount", Splitting(true, 7), &kPlainTexts, "Split list:\r\n", true},
    {"SplitBySize", Splitting(false, 100), &kSplitBySizeTexts, "Split list:\r\n", true},
    {"FilterSortInclude",
     [](ProcessingJob& job, const testing::TempDir& dir) {
       Filtering(false)(job, dir);
       Rearranging(0, true)(job, dir);
       Including("added@here.org", 5)(job, dir);
     },
     &kPlainTexts, "", false, true},
    // The destination and three parts, put in place together.
    {"FilterSortSplit",
     [](ProcessingJob& job, const testing::TempDir& dir) {
       Filtering(false)(job, dir);
       Rearranging(1, true)(job, dir);
       Splitting(true, 2)(job, dir);
     },
     &kPlainTexts, "", true, true},
    {"Merge",
     Merging({"", "a@x.org\r\nb@x.org", "c@y.org\nd@y.org\n", "", "e@z.org",
              "f@z.org\ng@z.org\nh@z.org\n"},
             8),
     &kMergeTexts, ""},
    // Short lists in chunks of a few bytes.
    {"FilterInChunksOf32",
     On("one@x.com\nspam@x.com\r\nthree@y.org\nfour@spam.net\nfive@z.com\n", 32, 16,
        Filtering(false, "spam\nnothing\nmore\n")),
     &kPlainTexts, "Filter list:\r\n"},
    {"SortByEmailRemovingDuplicatesInPartsOf20",
     On(kTenLines, 20, 16, Rearranging(0, true, ChunkSizes().mergeFanIn)), &kPlainTexts,
     "Sort list by entire email:\r\n"},
    {"RandomizeInPartsOf20", On(kTenLines, 20, 16, Rearranging(2, false)), &kPlainTexts,
     "Randomize list:\r\n"},
    {"IncludeInChunksOf8",
     On("one@x\r\ntwo@x\nthree@y\nfour@z\nfive@z\n", 8, 16, Including("add@x", 2)), &kPlainTexts,
     "Include email into the list:\r\n"},
    {"ExtractInChunksOf16", On(Numbered(12, "\r\n"), 16, 16, Extracting(5)), &kPlainTexts,
     "Extract random sublist:\r\n"},
    {"SplitByCountInChunksOf16", On(kSplitList, 16, 8, Splitting(true, 2)), &kPlainTexts,
     "Split list:\r\n", true},
    {"SplitBySizeInChunksOf16", On(kSplitList, 16, 8, Splitting(false, 24)), &kSplitBySizeTexts,
     "Split list:\r\n", true},
    // Empty lists, lists of several chunks, the line end looked for in later lists.
    {"MergeInChunksOf2", Merging({"", "abc", "de\r\nf", "", "ghijk\n", "l"}, 2), &kMergeTexts, ""},
};

// The sweep makes thousands of runs, each creating, renaming and deleting a dozen small
// files: tens of milliseconds a run on a disk, well under one in memory. Set before any
// fixture makes its directory.
#ifndef _WIN32
[[maybe_unused]] const bool kDirectoriesInMemory = [] {
  if (::access("/dev/shm", W_OK) != 0) return false;
  ::setenv("TMPDIR", "/dev/shm", 1);
  return true;
}();
#endif

// Every call is a fault point unless VANTOR_SWEEP_STRIDE=k asks for every k-th only (and
// the last): under an emulator such as Wine each of the sweep's runs costs some thirty
// times more, and the sweep is then cut to fit its time.
std::uint64_t SweepStride() {
  const char* text = std::getenv("VANTOR_SWEEP_STRIDE");
  const long stride = text != nullptr ? std::strtol(text, nullptr, 10) : 1;
  return stride > 1 ? static_cast<std::uint64_t>(stride) : 1;
}

// Whether point `n` of `last` is swept.
bool Swept(std::uint64_t n, std::uint64_t last) {
  return n == last || (n - 1) % SweepStride() == 0;
}

// Problems found after one run, one a line.
struct Problems {
  void Add(const std::string& problem) {
    if (!problem.empty()) text += "\n  " + problem;
  }
  std::string text;
};

class FaultSweepTest : public testing::ActionTest,
                       public ::testing::WithParamInterface<ActionCase> {
 protected:
  FaultSweepTest() {
    WriteFile(job_.inputFileName, SweepList());
    GetParam().configure(job_, dir_);
    for (const std::string& name : dir_.List()) {
      if (name != "out.txt") inputs_[name] = ReadFile(dir_.File(name));
    }
  }

  // Runs the job afresh: the same seed, the old destination, and `oldParts` in place of
  // the parts of an earlier split. Returns the error text, empty when the run completed.
  std::string Fresh(const Names& oldParts = {}) {
    for (const std::string& name : Parts()) ::unlink(dir_.File(name).c_str());
    if (Rejects()) WriteFile(job_.rejectsFileName, kOldRejects);
    for (std::size_t k = 0; k < oldParts.size(); ++k) {
      WriteFile(dir_.File("out" + std::to_string(k + 1) + ".txt"), oldParts[k]);
    }
    WriteFile(job_.outputFileName, "previous\n");
    job_.random.Seed(17);
    return RunAgain();
  }

  // Runs the job cleanly and keeps its result; returns the count of its calls.
  std::uint64_t CleanRun() {
    const std::uint64_t before = env_.calls();
    EXPECT_EQ(Fresh(), "");
    const std::uint64_t calls = env_.calls() - before;
    expected_ = ReadFile(job_.outputFileName);
    report_ = job_.resultsText;
    whole_ = PartContents();
    if (Rejects()) {
      rejects_ = ReadFile(job_.rejectsFileName);
      EXPECT_NE(rejects_, kOldRejects);
    }
    EXPECT_TRUE(TempFiles().empty());
    if (GetParam().split && !GetParam().chain) {
      EXPECT_EQ(expected_, "previous\n");
      EXPECT_GE(whole_.size(), 3u);
    } else {
      EXPECT_NE(expected_, "previous\n");
    }
    return calls;
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

  // The contents of the parts as they stand.
  Names PartContents() const {
    Names contents;
    for (const std::string& name : Parts()) contents.push_back(ReadFile(dir_.File(name)));
    return contents;
  }

  // The parts left by a split that did not finish: numbered from 1 without a gap, all
  // whole but the last, which is the beginning of the part of that number.
  std::string CheckPartsBegin() const {
    const Names names = Parts();
    const Names left = PartContents();
    if (left.size() > whole_.size()) return "more parts than a complete split makes";
    for (std::size_t k = 0; k < left.size(); ++k) {
      if (names[k] != "out" + std::to_string(k + 1) + ".txt") return "a gap before " + names[k];
      const bool last = k + 1 == left.size();
      if (last ? whole_[k].compare(0, left[k].size(), left[k]) != 0 : left[k] != whole_[k]) {
        return names[k] + " is not what the complete split writes";
      }
    }
    return "";
  }

  bool Rejects() const { return !job_.rejectsFileName.empty(); }
  std::string RejectsNow() const {
    return FileExists(job_.rejectsFileName) ? ReadFile(job_.rejectsFileName) : "(gone)";
  }

  // The result of a run that completed.
  void CheckWhole(Problems& p) const {
    if (Rejects() && RejectsNow() != rejects_) p.Add("the rejects are not the clean's");
    if (ReadFile(job_.outputFileName) != expected_) p.Add("the destination is not the result");
    if (job_.resultsText != report_) p.Add("results text \"" + job_.resultsText + "\"");
    if (GetParam().split && PartContents() != whole_) p.Add("the parts are not the whole split");
  }

  // What a run that did not complete leaves. An action that ran to its end has its
  // report even when its result was then not put in place.
  void CheckUnchanged(Problems& p) const {
    const ActionCase& c = GetParam();
    if (ReadFile(job_.outputFileName) != "previous\n") p.Add("the destination changed");
    if (Rejects() && RejectsNow() != kOldRejects) p.Add("the rejects changed");
    if (!c.chain && job_.resultsText != c.heading && job_.resultsText != report_) {
      p.Add("results text \"" + job_.resultsText + "\"");
    }
    if (c.split) p.Add(CheckPartsBegin());
  }

  // The lists and the filter file as they were, and nothing in the directory besides
  // them, the destination, the parts and temporary files.
  void CheckInputsAndStrangers(Problems& p) const {
    for (const auto& [name, bytes] : inputs_) {
      if (!FileExists(dir_.File(name))) {
        p.Add(name + " is gone");
      } else if (ReadFile(dir_.File(name)) != bytes) {
        p.Add(name + " changed");
      }
    }
    const Names parts = Parts();
    for (const std::string& name : dir_.List()) {
      if (name == "out.txt" || name.rfind("vnt", 0) == 0 || inputs_.count(name) > 0) continue;
      if (Rejects() && name == "rejects.txt") continue;
      if (std::find(parts.begin(), parts.end(), name) != parts.end()) continue;
      p.Add("unknown file " + name);
    }
  }

  // The problems after a run that met the faults the env holds now. Only calls the
  // engine goes on without may leave a completed run; a failed delete may leave a
  // temporary file.
  std::string CheckAfterFault(const std::string& error) const {
    Problems p;
    const std::set<Call> faults = env_.faults();
    if (faults.empty()) p.Add("no call failed");
    std::set<std::string> allowed;
    for (Call kind : faults) {
      const std::set<std::string>& texts = GetParam().texts->at(kind);
      allowed.insert(texts.begin(), texts.end());
    }
    if (error.empty()) {
      if (!allowed.empty()) p.Add("the run reported success");
      CheckWhole(p);
    } else {
      if (allowed.count(error) == 0) p.Add("error \"" + error + "\" is no text of a failed call");
      // When every call fails from some point of the commit on, the old file cannot be
      // put back either: it is left under the name the error gives.
      // The rejects file, put in place after the destination, is named first then.
      auto keptAs = [&](const std::string& name) {
        return job_.errorDetail.find("the old '" + name + "' is kept as '") != std::string::npos;
      };
      const bool kept =
          job_.errorDetail.starts_with(std::string(testing::kInjectedFault) + "; the old '") &&
          keptAs(job_.outputFileName);
      if (job_.errorDetail != testing::kInjectedFault && !kept) {
        p.Add("error detail \"" + job_.errorDetail + "\" is not the failed call's note");
      }
      if (kept) {
        // Each file is still whole: the old one or the new one.
        if (ReadFile(job_.outputFileName) != expected_) p.Add("the destination is not the result");
        if (Rejects() && RejectsNow() != (keptAs(job_.rejectsFileName) ? rejects_ : kOldRejects)) {
          p.Add("the rejects are not whole");
        }
        const Names parts = PartContents();
        for (std::size_t k = 0; k < parts.size(); ++k) {
          if (k >= whole_.size() || parts[k] != whole_[k]) p.Add("a part is not whole");
        }
      } else {
        CheckUnchanged(p);
      }
    }
    const bool keptOld = job_.errorDetail.find("' is kept as '") != std::string::npos;
    if (!TempFiles().empty() && faults.count(Call::Delete) == 0 && !keptOld) {
      p.Add("temporary file " + TempFiles().front() + " left");
    }
    CheckInputsAndStrangers(p);
    return p.text;
  }

  std::map<std::string, std::string> inputs_;  // the files the job reads, and their bytes
  std::string expected_;                       // the destination after a clean run
  std::string report_;                         // its results text
  Names whole_;                                // its parts
  std::string rejects_;                        // its rejects
  static constexpr char kOldRejects[] = "previous rejects\n";
};

TEST_P(FaultSweepTest, AFaultAtAnyCallLeavesTheDestinationAndNoTemporaryFile) {
  const ActionCase& c = GetParam();
  const std::uint64_t calls = CleanRun();
  ASSERT_FALSE(HasFailure());

  // Every kind of call the action makes is among those failed.
  std::set<Call> kinds;
  int points = 0;
  int passed = 0;
  for (bool onward : {false, true}) {
    for (std::uint64_t n = 1; n <= calls; ++n) {
      if (!Swept(n, calls)) continue;
      const std::string where =
          std::string(c.name) + " call " + std::to_string(n) + (onward ? " onward" : " once");
      env_.FailAt(env_.calls() + n, onward);
      const std::string error = Fresh();
      const std::set<Call> faults = env_.faults();
      kinds.insert(faults.begin(), faults.end());
      const std::string problems = CheckAfterFault(error);
      ++points;
      if (problems.empty()) ++passed;
      EXPECT_EQ(problems, "") << where;
      RemoveTempFiles();
      env_.ClearFaults();
    }
  }
  std::printf("[ sweep    ] %s: %llu calls, %d fault points, %d passed\n", c.name,
              static_cast<unsigned long long>(calls), points, passed);
  for (Call kind : testing::kAllCalls) {
    if (env_.callsOf(kind) > 0 && SweepStride() == 1) {
      EXPECT_EQ(kinds.count(kind), 1u) << "no call of kind " << static_cast<int>(kind) << " failed";
    }
  }

  // Nothing an error left behind changes the next run.
  ASSERT_EQ(Fresh(), "");
  Problems p;
  CheckWhole(p);
  EXPECT_EQ(p.text, "");
  EXPECT_TRUE(TempFiles().empty());
}

// The power goes off at each call of a run of a short list in turn, and once after the
// run: the disk keeps what was synced, and the names made since their folder's last
// sync are kept, or all lost. Every destination is then the old file or the whole new
// one, and what the run reported done stays done. Each way of writing and committing
// files is cut once: not every chunk size or sort key.
class PowerCutTest : public FaultSweepTest {};

TEST_P(PowerCutTest, LeavesTheOldFileOrTheWholeNewOne) {
  const ActionCase& c = GetParam();
  if (inputs_["in.txt"] == SweepList()) {
    inputs_["in.txt"] = SweepList(16);
    WriteFile(job_.inputFileName, inputs_["in.txt"]);
  }
  CleanRun();
  ASSERT_FALSE(HasFailure());
  Names oldParts;
  for (std::size_t k = 0; k < whole_.size(); ++k) oldParts.push_back("old part\n");
  // Replacing files takes more calls than making new ones: counted as the cuts run.
  const std::uint64_t before = env_.calls();
  ASSERT_EQ(Fresh(oldParts), "");
  const std::uint64_t calls = env_.calls() - before;
  if (c.split && c.chain) {
    EXPECT_EQ(whole_.size(), 3u);
  }

  int points = 0;
  int passed = 0;
  for (bool loseNames : {false, true}) {
    for (std::uint64_t n = 1; n <= calls + 1; ++n) {
      if (!Swept(n, calls + 1)) continue;
      const std::string where = std::string(c.name) + " power cut at call " + std::to_string(n) +
                                (loseNames ? ", names lost" : ", names kept");
      env_.CutPowerAt(env_.calls() + n);
      const std::string error = Fresh(oldParts);
      env_.PowerOn(loseNames);
      Problems p;
      if (!FileExists(job_.outputFileName)) {
        p.Add("the destination is gone");
      } else {
        const std::string out = ReadFile(job_.outputFileName);
        if (out != "previous\n" && out != expected_) p.Add("the destination is a partial file");
      }
      if (Rejects() && RejectsNow() != kOldRejects && RejectsNow() != rejects_) {
        p.Add("the rejects are partial");
      }
      const Names parts = PartContents();
      if (parts.size() != oldParts.size()) p.Add("parts are gone or added");
      for (std::size_t k = 0; k < std::min(parts.size(), whole_.size()); ++k) {
        if (parts[k] != oldParts[k] && parts[k] != whole_[k]) {
          p.Add("part " + std::to_string(k + 1) + " is partial");
        }
      }
      if (n > calls && !error.empty()) p.Add("error \"" + error + "\"");
      // What the run reported done is there, the set whole; a run that reported a
      // failure put nothing in place that outlived the cut of its unsynced names.
      if (error.empty()) {
        CheckWhole(p);
      } else if (loseNames) {
        if (FileExists(job_.outputFileName) && ReadFile(job_.outputFileName) != "previous\n") {
          p.Add("a failed run's destination is new");
        }
        if (PartContents() != oldParts) p.Add("a failed run's parts are new");
        if (Rejects() && RejectsNow() != kOldRejects) p.Add("a failed run's rejects are new");
      }
      CheckInputsAndStrangers(p);
      ++points;
      if (p.text.empty()) ++passed;
      EXPECT_EQ(p.text, "") << where;
      RemoveTempFiles();
    }
  }
  std::printf("[ sweep    ] %s: %llu calls, %d power cuts, %d passed\n", c.name,
              static_cast<unsigned long long>(calls), points, passed);
}

TEST_P(FaultSweepTest, AStopAtAnyMessageLeavesTheOldFileOrTheWholeNewOne) {
  const ActionCase& c = GetParam();
  CleanRun();
  ASSERT_FALSE(HasFailure());

  int points = 0;
  int passed = 0;
  int committed = 0;
  for (int stopAt = 1;; stopAt += static_cast<int>(SweepStride())) {
    int seen = 0;
    sink_.onPost = [&](const RunnerMessage&) {
      if (++seen == stopAt) job_.runPermission->Reset();
    };
    const std::string error = Fresh();
    sink_.onPost = nullptr;
    if (seen < stopAt) break;  // the run ended before this message
    ++points;
    const std::string where = std::string(c.name) + " stop at message " + std::to_string(stopAt) +
                              " of " + std::to_string(seen);
    Problems p;
    if (!error.empty()) p.Add("error \"" + error + "\"");
    if (sink_.Trace().back() != "done") p.Add("the run did not end with done");
    // Whether the results were put in place is what the run says; a stop that comes
    // after the last action handed its result over still keeps them all out.
    if (job_.completed) {
      ++committed;
      CheckWhole(p);
    } else {
      CheckUnchanged(p);
    }
    if (!TempFiles().empty()) p.Add("temporary file " + TempFiles().front() + " left");
    CheckInputsAndStrangers(p);
    if (p.text.empty()) ++passed;
    EXPECT_EQ(p.text, "") << where;
    RemoveTempFiles();
  }
  std::printf("[ sweep    ] %s: %d stop points (%d after the commit), %d passed\n", c.name, points,
              committed, passed);
  EXPECT_GT(points - committed, 5 / static_cast<int>(SweepStride()))
      << "too few stops before the commit";
}

std::string NameOf(const ::testing::TestParamInfo<ActionCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(EveryAction, FaultSweepTest, ::testing::ValuesIn(kCases), NameOf);

std::vector<ActionCase> PowerCutCases() {
  const std::set<std::string> names = {"Clean",
                                       "CleanSortFoldingCase",
                                       "SortByEmailFoldingCaseRemovingDuplicates",
                                       "Filter",
                                       "FilterStreaming",
                                       "SortByEmailRemovingDuplicates",
                                       "Randomize",
                                       "Include",
                                       "Extract",
                                       "SplitByCount",
                                       "SplitBySize",
                                       "FilterSortInclude",
                                       "FilterSortSplit",
                                       "Merge"};
  // Written in parts, then restored in order.
  const std::set<std::string> inParts = {"SuppressInParts", "DedupeInParts"};
  std::vector<ActionCase> cases;
  for (const ActionCase& c : kCases) {
    if (names.count(c.name) > 0 || inParts.count(c.name) > 0) cases.push_back(c);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryAction, PowerCutTest, ::testing::ValuesIn(PowerCutCases()), NameOf);

}  // namespace
}  // namespace vantor
