#include "engine/sort_by_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/run_random.h"
#include "engine/runner.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#ifndef _WIN32
#include "tests/support/few_descriptors.h"
#endif
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using namespace std::string_literals;
using testing::ReadFile;
using testing::WriteFile;
using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------------
// The sort by parts written out plainly, in memory: the same parts, each sorted and
// deduplicated, then merged two at a time from a FIFO queue.

std::string Lower(std::string s) {
  for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return s;
}

// Sorts `a` before `b` in mode 0 (entire email) or 1 (domain, then user); `fold` orders
// by the strings in small letters first.
bool Before(const std::string& a, const std::string& b, int mode, bool fold = false) {
  auto split = [mode](const std::string& s) {
    const std::size_t at = s.find('@');
    const std::size_t key = mode == 0 || at == std::string::npos ? 0 : at;
    return std::make_pair(s.substr(key), s.substr(0, key));
  };
  // std::string compares bytes as unsigned char.
  auto folded = [&](const std::string& s) {
    const auto [first, second] = split(s);
    return std::make_pair(Lower(first), Lower(second));
  };
  if (fold && folded(a) != folded(b)) return folded(a) < folded(b);
  return split(a) < split(b);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

struct Expected {
  std::string output;
  std::uint64_t lines = 0;
  std::uint64_t duplicates = 0;
  std::vector<std::size_t> partLines;  // lines read into each part
};

// Appends lines to one file, dropping a repeat of the last line written to it.
struct Out {
  bool dedup;
  std::uint64_t* duplicates;
  std::vector<std::string> lines;
  void Add(const std::string& line) {
    if (dedup && !lines.empty() && SameIgnoringCase(lines.back(), line)) {
      ++*duplicates;
      return;
    }
    lines.push_back(line);
  }
};

Expected Reference(const std::string& list, std::uint32_t partSize, int mode, bool dedup,
                   bool fold = false) {
  Expected e;
  // The style is that of the first line end of the first part.
  bool crlf = false;
  for (std::size_t i = 0; i < std::min<std::size_t>(list.size(), partSize); ++i) {
    if (list[i] == '\n' || list[i] == '\r') {
      crlf = list[i] == '\r';
      break;
    }
  }
  std::deque<std::vector<std::string>> queue;
  std::string carry;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t got = std::min(partSize - carry.size(), list.size() - pos);
    if (got == 0 && carry.empty()) break;
    std::string data = carry + list.substr(pos, got);
    pos += got;
    if (got == 0) data += crlf ? "\r\n" : "\n";
    std::vector<std::string> part;
    std::size_t start = 0;
    for (std::size_t lf; (lf = data.find('\n', start)) != std::string::npos; start = lf + 1) {
      if (lf > start) part.push_back(data.substr(start, lf - start));
    }
    carry = data.substr(start);
    if (part.empty()) continue;
    e.lines += part.size();
    e.partLines.push_back(part.size());
    std::stable_sort(part.begin(), part.end(),
                     [mode, fold](const std::string& a, const std::string& b) {
                       return Before(a, b, mode, fold);
                     });
    Out out{dedup, &e.duplicates, {}};
    for (const std::string& line : part) out.Add(line);
    queue.push_back(out.lines);
  }
  while (queue.size() >= 2) {
    const std::vector<std::string> first = queue.front();
    queue.pop_front();
    const std::vector<std::string> second = queue.front();
    queue.pop_front();
    Out out{dedup, &e.duplicates, {}};
    std::size_t i = 0, j = 0;
    while (i < first.size() && j < second.size()) {
      // On equal lines the one of the file taken second goes first.
      out.Add(Before(first[i], second[j], mode, fold) ? first[i++] : second[j++]);
    }
    while (i < first.size()) out.Add(first[i++]);
    while (j < second.size()) out.Add(second[j++]);
    queue.push_back(out.lines);
  }
  if (!queue.empty()) {
    for (const std::string& line : queue.front()) e.output += line + "\n";
  }
  return e;
}

// The lines of a file, sorted: to compare what a randomized list holds.
Names SortedLines(const std::string& text) {
  Names lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines.push_back(text.substr(start, lf - start));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// ---------------------------------------------------------------------------------

// One rearrange action on the files of the shared fixture.
class SortByPartsTest : public testing::ActionTest {
 protected:
  SortByPartsTest() { job_.rearrangeSlot = 2; }

  // Runs the action of `mode` on `list`; returns the error text, empty when the run
  // completed.
  std::string Run(const std::string& list, int mode, bool dedup = false) {
    WriteFile(dir_.File("in.txt"), list);
    job_.sortByEmail = mode == 0;
    job_.sortByDomain = mode == 1;
    job_.randomize = mode == 2;
    job_.rearrangeMode = static_cast<RearrangeMode>(mode);
    job_.removeDuplicates = dedup;
    return RunAgain();
  }

  // Every run starts from the same seed.
  std::string RunAgain() {
    job_.random.Seed(seed_);
    return ActionTest::RunAgain();
  }

  static std::string Heading(int mode) {
    const char* headings[] = {"Sort list by entire email:\r\n", "Sort list by domain:\r\n",
                              "Randomize list:\r\n"};
    return headings[mode];
  }

  // The paragraph of a completed run.
  static std::string Report(int mode, std::uint64_t lines, bool dedup, std::uint64_t duplicates) {
    const char* done[] = {" email(s) sorted by entire email\r\n",
                          " email(s) sorted by domain then by username\r\n",
                          " email(s) randomized\r\n"};
    std::string text = Heading(mode) + std::to_string(lines) + done[mode];
    if (dedup && mode != 2) text += std::to_string(duplicates) + " duplicate(s) found\r\n";
    return text + "\r\n";
  }

  std::uint32_t seed_ = 1;
};

struct Example {
  std::string list;
  int mode;
  bool dedup;
  std::uint32_t partSize;
  std::string output;
  int lines;
  int duplicates;
};

void PrintTo(const Example& e, std::ostream* os) {
  *os << ::testing::PrintToString(e.list) << " mode " << e.mode << (e.dedup ? " dedup" : "")
      << " part " << e.partSize;
}

class SortExampleTest : public SortByPartsTest, public ::testing::WithParamInterface<Example> {};

TEST_P(SortExampleTest, WritesTheSortedListAndReportsIt) {
  const Example& e = GetParam();
  job_.chunkSizes.list = e.partSize;
  job_.chunkSizes.merge = 16;
  ASSERT_EQ(Run(e.list, e.mode, e.dedup), "");
  EXPECT_EQ(Output(), e.output);
  EXPECT_EQ(job_.resultsText, Report(e.mode, e.lines, e.dedup, e.duplicates));
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

constexpr std::uint32_t kWhole = 1 << 16;  // one part for the whole list

INSTANTIATE_TEST_SUITE_P(
    Lists, SortExampleTest,
    ::testing::Values(
        Example{"A@x\na@x\n", 0, true, kWhole, "A@x\n", 2, 1},
        Example{"a@x\nA@x\n", 0, true, 4, "A@x\n", 2, 1},  // two parts, dropped by the merge
        Example{"A@x\na@x\nB@x\n", 0, true, kWhole, "A@x\nB@x\na@x\n", 3, 0},
        Example{"A@x\na@x\nB@x\n", 1, true, kWhole, "A@x\nB@x\na@x\n", 3, 0},
        Example{"a@x\na@x\nA@x\na@x.y\na@x\n", 1, true, 8, "A@x\na@x.y\n", 5, 3},
        Example{"b@x\na@y\n", 0, false, kWhole, "a@y\nb@x\n", 2, 0},
        Example{"b@x\na@y\n", 1, false, kWhole, "b@x\na@y\n", 2, 0},
        Example{"a@x\na@x\na@x\n", 0, false, 4, "a@x\na@x\na@x\n", 3, 0},
        Example{"xyz\nb@x\n123abc\nz@X\n", 1, false, kWhole, "123abc\nz@X\nb@x\nxyz\n", 4, 0},
        Example{"b@x\n\n\na@x", 0, false, kWhole, "a@x\nb@x\n", 2, 0},
        Example{"b@x\r\n\r\na@x", 0, false, kWhole, "\r\na@x\r\nb@x\r\n", 3, 0},
        Example{"b@x\r\n\r\n\r\na@x", 1, true, 6, "\r\na@x\r\nb@x\r\n", 4, 1},
        // A line longer than a merge chunk is merged whole.
        Example{"zz@x\n" + std::string(100, 'q') + "@x\na@x\n", 0, false, 110,
                "a@x\n" + std::string(100, 'q') + "@x\nzz@x\n", 3, 0},
        Example{"", 0, false, kWhole, "", 0, 0}, Example{"\n\n\n", 1, true, 2, "", 0, 0},
        Example{"", 2, false, kWhole, "", 0, 0}, Example{"\n", 2, false, kWhole, "", 0, 0}));

// Five parts of one line each that all compare equal (a NUL both hold ends the
// comparison): P1+P2, P3+P4, P5+(P1+P2), then the last two, the second taken going
// first on every tie.
TEST_F(SortByPartsTest, MergesOldestFirstAndPutsTheSecondInputFirstOnTies) {
  for (int mode : {0, 1}) {
    job_.chunkSizes.list = 6;
    ASSERT_EQ(Run("u\0"
                  "1@x\nu\0"
                  "2@x\nu\0"
                  "3@x\nu\0"
                  "4@x\nu\0"
                  "5@x\n"s,
                  mode),
              "");
    EXPECT_EQ(Output(),
              "u\0"
              "2@x\nu\0"
              "1@x\nu\0"
              "5@x\nu\0"
              "4@x\nu\0"
              "3@x\n"s)
        << mode;
    EXPECT_EQ(sink_.Texts(WMU_INFO2)[0], "Sorting emails list by parts of 6 bytes, 0 part(s) done");
  }
}

// Random lists of short lines over a small alphabet: repeats, case variants, shared
// long prefixes, lines without '@', blank lines, bytes >= 128, now and then a line longer
// than a merge chunk, sometimes sorted already (one input of a merge then runs out
// while the other has many chunks left), sometimes with no line end at the end.
std::string RandomList(std::mt19937& random, std::uint32_t partSize, bool crlf) {
  static const std::string kAlphabet = "aAbB@.xXzZ\xe9";
  static const Names kStems = {"",  "",       "prefixlongerthansixteen@", "x@shareddomain.",
                               "@", "Case@X."};
  const std::string end = crlf ? "\r\n" : "\n";
  Names lines;
  const int count = 10 + static_cast<int>(random() % 140);
  for (int i = 0; i < count; ++i) {
    const unsigned pick = random() % 40;
    std::string line;
    if (!lines.empty() && pick < 8) {
      line = lines[random() % lines.size()];
    } else if (!lines.empty() && pick < 14) {  // a case variant
      line = lines[random() % lines.size()];
      for (char& c : line) {
        if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2) c ^= 0x20;
      }
    } else if (pick == 14) {
      line = std::string(std::min<std::uint32_t>(partSize - 4, 40 + random() % 200), 'q') + "@x";
      line = line.substr(0, partSize - 4);
    } else if (pick == 15) {
      line = "";
    } else {
      line = kStems[random() % kStems.size()];
      const std::size_t length = line.size() + 1 + random() % 20;
      while (line.size() < length) {
        line += !crlf && random() % 50 == 0 ? '\r' : kAlphabet[random() % kAlphabet.size()];
      }
    }
    lines.push_back(line);
  }
  if (random() % 4 == 0) std::sort(lines.begin(), lines.end());
  if (random() % 6 == 0) std::sort(lines.rbegin(), lines.rend());
  std::string text;
  for (const std::string& line : lines) text += line + end;
  if (random() % 3 == 0) text.resize(text.size() - end.size());
  return text;
}

TEST_F(SortByPartsTest, MatchesAPlainReferenceForAnyPartAndChunkSize) {
  std::mt19937 random(2024);
  for (int round = 0; round < 160; ++round) {
    const int mode = round % 2;
    const bool dedup = round / 2 % 2;
    job_.chunkSizes.list = 64 + random() % 449;
    job_.chunkSizes.merge = 16 + random() % 113;
    job_.chunkSizes.writeBuffer = 16 + random() % 200;
    // Few files per merging pass make the sort write what is below a merge to a file
    // first; the bytes must not change.
    job_.chunkSizes.mergeFanIn = round % 4 < 2 ? 64 : 2 + round % 5;
    const std::string list = RandomList(random, job_.chunkSizes.list, random() % 2);
    const Expected e = Reference(list, job_.chunkSizes.list, mode, dedup);
    const std::string where = "round " + std::to_string(round);

    ASSERT_EQ(Run(list, mode, dedup), "") << where;
    ASSERT_EQ(Output(), e.output) << where;
    EXPECT_EQ(job_.duplicatesFound, e.duplicates) << where;
    EXPECT_EQ(job_.resultsText, Report(mode, e.lines, dedup, e.duplicates)) << where;
    EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"})) << where;
    Names read;
    for (std::size_t n : e.partLines)
      read.push_back(std::to_string(n) + " strings were read, sorting...");
    Names info = sink_.Texts(WMU_INFO);
    Names actualRead;
    std::size_t merges = 0;
    for (const std::string& text : info) {
      if (text.find("strings were read") != std::string::npos) actualRead.push_back(text);
      if (text.rfind("Merging 2 temp files", 0) == 0) ++merges;
    }
    EXPECT_EQ(actualRead, read) << where;
    // A list of more than a part is sorted in buckets, but where duplicates are removed
    // in the plain order: those merge their parts.
    const bool inBuckets = list.size() > job_.chunkSizes.list && !dedup;
    EXPECT_EQ(merges, inBuckets || e.partLines.empty() ? 0 : e.partLines.size() - 1) << where;
  }
}

TEST_F(SortByPartsTest, FoldedOrderMatchesAPlainReferenceForAnyPartAndChunkSize) {
  std::mt19937 random(77);
  job_.foldCase = true;
  for (int round = 0; round < 120; ++round) {
    const int mode = round % 2;
    const bool dedup = round / 2 % 2;
    job_.chunkSizes.list = 64 + random() % 449;
    job_.chunkSizes.merge = 16 + random() % 113;
    job_.chunkSizes.mergeFanIn = round % 4 < 2 ? 64 : 2 + round % 5;
    const std::string list = RandomList(random, job_.chunkSizes.list, random() % 2);
    const Expected e = Reference(list, job_.chunkSizes.list, mode, dedup, /*fold=*/true);
    const std::string where = "round " + std::to_string(round);
    ASSERT_EQ(Run(list, mode, dedup), "") << where;
    ASSERT_EQ(Output(), e.output) << where;
    EXPECT_EQ(job_.resultsText, Report(mode, e.lines, dedup, e.duplicates)) << where;
  }
}

// The messages of a run of five parts of two lines each.
Names FiveParts(int mode, int slot) {
  const bool random = mode == 2;
  const std::string verb = random ? "Randomizing" : "Sorting";
  auto phase = [&](int done) {
    return "info2 " + verb + " emails list by parts of 20 bytes, " + std::to_string(done) +
           " part(s) done";
  };
  Names trace = {"start " + std::to_string(slot), phase(0), "info Reading strings..."};
  for (int part = 0; part < 5; ++part) {
    trace.push_back(phase(part));
    trace.push_back(random ? "info 2 strings were read, randomizing..."
                           : "info 2 strings were read, sorting...");
    trace.push_back(random ? "info Saving randomized strings into temp file..."
                           : "info Saving sorted strings into temp file...");
  }
  trace.push_back(random ? "info2 Merge previously randomized parts"
                         : "info2 Merge previously sorted parts");
  if (random) {
    // 90 bytes in buckets of half a part each.
    for (int done = 1; done <= 9; ++done) {
      trace.push_back("info " + std::to_string(done) + " of 9 part(s) done");
    }
  } else {
    for (int left : {3, 2, 1, 0}) {
      trace.push_back("info Merging 2 temp files, " + std::to_string(left) + " file(s) left...");
    }
  }
  trace.push_back("info Renaming temporary file into output file...");
  trace.push_back(random ? "info Randomize complete!" : "info Sort complete!");
  trace.insert(trace.end(), {"end " + std::to_string(slot), "info ", "info2 ", "done"});
  return trace;
}

const std::string kTenLines =
    "u9@x.com\nu8@x.com\nu7@y.com\nu6@x.com\nu5@z.com\n"
    "u4@x.com\nu3@x.com\nu2@y.com\nu1@x.com\nu0@z.com\n";

TEST_F(SortByPartsTest, PostsItsProgressInOrder) {
  job_.chunkSizes.list = 20;
  job_.chunkSizes.merge = 16;
  for (int mode : {0, 1, 2}) {
    // Removing duplicates in the plain order, a sort merges its parts.
    ASSERT_EQ(Run(kTenLines, mode, /*dedup=*/mode != 2), "");
    EXPECT_EQ(sink_.Trace(), FiveParts(mode, 2)) << mode;
  }
  // Else it deals the lines into buckets, as randomizing does, into as many as its
  // ranges of lines make.
  for (int mode : {0, 1}) {
    ASSERT_EQ(Run(kTenLines, mode), "");
    Names trace = sink_.Trace();
    Names expected = FiveParts(mode, 2);
    const auto joining =
        std::find(expected.begin(), expected.end(), "info2 Merge previously sorted parts") -
        expected.begin() + 1;
    expected.erase(expected.begin() + joining, expected.begin() + joining + 4);
    const std::size_t buckets = trace.size() - expected.size();
    ASSERT_GE(buckets, 2u) << mode;
    for (std::size_t done = buckets; done >= 1; --done) {
      expected.insert(expected.begin() + joining, "info " + std::to_string(done) + " of " +
                                                      std::to_string(buckets) + " part(s) done");
    }
    EXPECT_EQ(trace, expected) << mode;
  }
  // One part is still "merged": the step that commits it.
  job_.chunkSizes.list = kWhole;
  ASSERT_EQ(Run("b@x\na@x\n", 0), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Reading strings...", "2 strings were read, sorting...",
                   "Saving sorted strings into temp file...",
                   "Renaming temporary file into output file...", "Sort complete!", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO2)[2], "Merge previously sorted parts");
}

// Lines that share their first sixteen bytes, and one line repeated, each far more than
// a part: their buckets are dealt again by the next sixteen bytes, and the bucket of
// copies of one line is copied as it is. With few files open at once, buckets of many
// keys are dealt again too.
TEST_F(SortByPartsTest, SortsBucketsOfOneKeyAndOfOneLineLargerThanAPart) {
  std::mt19937 random(31);
  std::string list;
  for (int i = 0; i < 1500; ++i) {
    const unsigned pick = random() % 3;
    if (pick == 0) {
      list += "same@x.com\n";
    } else if (pick == 1) {
      list += "prefixlongerthansixteen-" + std::to_string(random() % 5000) + "@x\n";
    } else {
      list += std::string(1, static_cast<char>('a' + random() % 26)) + "b" +
              std::to_string(random() % 100) + "@y.org\n";
    }
  }
  job_.chunkSizes.list = 256;
  for (const std::size_t fanIn : {512, 4}) {
    job_.chunkSizes.mergeFanIn = fanIn;
    for (int mode : {0, 1}) {
      for (const bool fold : {false, true}) {
        job_.foldCase = fold;
        const std::string where = "mode " + std::to_string(mode) + (fold ? " folded" : "") +
                                  " fan-in " + std::to_string(fanIn);
        ASSERT_EQ(Run(list, mode), "") << where;
        EXPECT_EQ(Output(), Reference(list, 256, mode, false, fold).output) << where;
        EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"})) << where;
        for (const std::string& text : sink_.Texts(WMU_INFO)) {
          ASSERT_EQ(text.rfind("Merging", 0), std::string::npos) << where;
        }
      }
    }
  }
}

TEST_F(SortByPartsTest, ReplacingTheInputSortsItInPlace) {
  job_.replaceInput = true;
  ASSERT_EQ(Run("b@x\na@x\n", 0), "");
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a@x\nb@x\n");
  EXPECT_EQ(Output(), "previous\n");
}

// 20,000 numbered lines, 260,000 bytes read in parts of 20,000: dealt into 26 buckets
// of half a part, or, with at most four files open at once, into four buckets too large
// for a part, each dealt again into buckets of its own. In a uniform shuffle where a
// line ends up says nothing about where it stood: each cell of the table of input
// twentieths by output twentieths holds about 50 lines, each output fifth takes about a
// fifth of each input fifth, and half of the neighbouring lines stand in their input
// order. The run's generator gives the seed and nothing else, so an extract after the
// randomize draws the same whatever the list.
class RandomizeUniformTest : public SortByPartsTest,
                             public ::testing::WithParamInterface<std::size_t> {};

TEST_P(RandomizeUniformTest, PutsEveryLineAnywhereWithEqualChance) {
  constexpr int kLines = 20000;
  constexpr std::size_t kLineSize = 13;
  std::string list;
  for (int i = 0; i < kLines; ++i) {
    char line[kLineSize + 1];
    std::snprintf(line, sizeof line, "u%05d@x.com\n", i);
    list += line;
  }
  job_.chunkSizes.list = 20000;
  job_.chunkSizes.mergeFanIn = GetParam();
  std::set<std::string> outputs;
  for (std::uint32_t seed : {1u, 2u, 3u}) {
    seed_ = seed;
    const int filesBefore = env_.callsOf(testing::Call::TempName);
    ASSERT_EQ(Run(list, 2), "");
    const std::string output = Output();
    // The buckets and the result, and buckets of buckets when few may be open.
    const int files = env_.callsOf(testing::Call::TempName) - filesBefore;
    if (GetParam() < 26) {
      EXPECT_GT(files, static_cast<int>(GetParam()) + 1) << "no bucket was dealt again";
    } else {
      EXPECT_EQ(files, 26 + 1);
    }
    ASSERT_EQ(SortedLines(output), SortedLines(list));
    EXPECT_EQ(job_.resultsText, Report(2, kLines, false, 0));
    RunRandom fresh;
    fresh.Seed(seed);
    for (int i = 0; i < 4; ++i) fresh.Draw();
    EXPECT_EQ(job_.random.Draw(), fresh.Draw()) << "randomizing draws four values";
    std::vector<int> from;  // the input place of each output line
    for (std::size_t at = 0; at < output.size(); at += kLineSize) {
      from.push_back(std::stoi(output.substr(at + 1, 5)));
    }

    constexpr int kCells = 20;
    std::vector<int> cells(kCells * kCells);
    for (int k = 0; k < kLines; ++k) {
      ++cells[from[k] * kCells / kLines * kCells + k * kCells / kLines];
    }
    const double expected = static_cast<double>(kLines) / (kCells * kCells);
    double chiSquare = 0;
    for (int n : cells) chiSquare += (n - expected) * (n - expected) / expected;
    // 19 x 19 degrees of freedom: a mean of 361, a standard deviation of 27.
    EXPECT_LT(chiSquare, 361 + 6 * 27) << "seed " << seed;

    int fifths[5][5] = {};
    for (int k = 0; k < kLines; ++k) ++fifths[k * 5 / kLines][from[k] * 5 / kLines];
    for (int out = 0; out < 5; ++out) {
      for (int in = 0; in < 5; ++in) {
        const double share = fifths[out][in] / (kLines / 5.0);
        EXPECT_TRUE(share > 0.17 && share < 0.23)
            << "seed " << seed << ": output fifth " << out << " holds " << 100 * share
            << "% of input fifth " << in;
      }
    }

    int kept = 0;
    for (int k = 1; k < kLines; ++k) kept += from[k - 1] < from[k];
    EXPECT_NEAR(kept / (kLines - 1.0), 0.5, 0.02) << "seed " << seed;

    ASSERT_EQ(RunAgain(), "");
    EXPECT_EQ(Output(), output) << "seed " << seed;
    outputs.insert(output);
  }
  EXPECT_EQ(outputs.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(FilesOpenAtOnce, RandomizeUniformTest, ::testing::Values(512, 4));

// Random lists with long lines, CR LF lines and NUL bytes, in parts of random sizes
// with few or many files open at once: the output holds exactly the lines a sort reads
// (a line longer than a part cut there, a last line given the list's line end, no blank
// line), leaves no temporary file, and comes out the same again for the same seed.
TEST_F(SortByPartsTest, RandomizingKeepsTheLinesASortReadsForAnyPartAndFanIn) {
  std::mt19937 random(909);
  for (int round = 0; round < 100; ++round) {
    job_.chunkSizes.list = 64 + random() % 449;
    job_.chunkSizes.writeBuffer = 16 + random() % 200;
    job_.chunkSizes.mergeFanIn = round % 3 == 0 ? 512 : 2 + round % 5;
    std::string list = RandomList(random, job_.chunkSizes.list, random() % 2);
    if (round % 4 == 1) {
      for (int i = 0; i < 5; ++i) list[random() % list.size()] = '\0';
    }
    if (round % 5 == 2) list += list + list;
    const Expected e = Reference(list, job_.chunkSizes.list, 0, false);
    const std::string where = "round " + std::to_string(round);

    ASSERT_EQ(Run(list, 2), "") << where;
    const std::string output = Output();
    ASSERT_EQ(SortedLines(output), SortedLines(e.output)) << where;
    EXPECT_EQ(job_.resultsText, Report(2, e.lines, false, 0)) << where;
    EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"})) << where;
    ASSERT_EQ(RunAgain(), "") << where;
    EXPECT_EQ(Output(), output) << where;
  }
}

// The order drawn for a seed comes from the project's own generators alone, so that
// every platform writes the same bytes: for a list dealt into buckets, and for a list
// of one part.
TEST_F(SortByPartsTest, RandomizingWritesTheSameBytesForASeedOnEveryPlatform) {
  struct Case {
    std::uint32_t partSize;
    std::string output;
  };
  for (const Case& c : {Case{20,
                             "u7@y.com\nu1@x.com\nu2@y.com\nu9@x.com\nu5@z.com\n"
                             "u4@x.com\nu8@x.com\nu3@x.com\nu0@z.com\nu6@x.com\n"},
                        Case{kWhole,
                             "u5@z.com\nu4@x.com\nu2@y.com\nu6@x.com\nu0@z.com\n"
                             "u8@x.com\nu3@x.com\nu7@y.com\nu1@x.com\nu9@x.com\n"}}) {
    job_.chunkSizes.list = c.partSize;
    ASSERT_EQ(Run(kTenLines, 2), "");
    EXPECT_EQ(Output(), c.output) << c.partSize;
  }
}

#ifndef _WIN32
// The descriptors left under `ulimit -n`: a sort or randomize that would deal into more
// buckets, or merge more parts at once, than there are descriptors left takes fewer and
// larger ones (and deals or merges them again) instead of failing.
TEST_F(SortByPartsTest, FitsItsFilesToTheDescriptorsLeft) {
  std::mt19937 random(77);
  std::string list;
  for (int i = 0; i < 2500; ++i) list += "u" + std::to_string(random() % 100000) + "@x.org\n";
  job_.chunkSizes.list = 256;  // some 400 buckets, or 200 parts
  const testing::FewDescriptors few(40);
  for (const auto& [mode, dedup] : {std::pair{0, false}, {1, false}, {0, true}, {2, false}}) {
    const std::string where = "mode " + std::to_string(mode) + (dedup ? " dedup" : "");
    ASSERT_EQ(Run(list, mode, dedup), "") << where;
    const Expected e = Reference(list, job_.chunkSizes.list, mode == 2 ? 0 : mode, dedup);
    if (mode == 2) {
      EXPECT_EQ(SortedLines(Output()), SortedLines(e.output)) << where;
    } else {
      EXPECT_EQ(Output(), e.output) << where;
    }
    EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"})) << where;
  }
}
#endif

// The passes the runner weighs a rearrange by: a sort by parts reads and writes a list
// of more than a part twice; one in buckets (a randomizing, most sorts) too while its
// buckets fit in a part, and once more for each time they must be dealt again, which
// only lists of more than 10 GiB or few files open at once make happen.
TEST(RearrangePassesTest, CountsTheReadsAndWritesOfTheWholeList) {
  constexpr std::uint64_t kMiB = 1 << 20;
  struct Case {
    std::uint64_t listBytes;
    std::uint32_t part;
    std::size_t fanIn;
    bool inBuckets;
    std::size_t passes;
  };
  for (const Case& c : {
           Case{0, 20 * kMiB, 512, true, 1},
           Case{20 * kMiB, 20 * kMiB, 512, true, 1},
           Case{20 * kMiB + 1, 20 * kMiB, 512, true, 2},
           Case{1024 * kMiB, 20 * kMiB, 512, true, 2},
           Case{5120 * kMiB, 20 * kMiB, 512, true, 2},
           Case{20480 * kMiB, 20 * kMiB, 512, true, 3},
           Case{260000, 20000, 4, true, 3},
           Case{20 * kMiB, 20 * kMiB, 512, false, 1},
           Case{20480 * kMiB, 20 * kMiB, 2, false, 2},
       }) {
    ChunkSizes sizes;
    sizes.list = c.part;
    sizes.mergeFanIn = c.fanIn;
    EXPECT_EQ(RearrangePasses(c.listBytes, sizes, c.inBuckets), c.passes)
        << c.listBytes << " bytes, parts of " << c.part << ", " << c.fanIn << " files"
        << (c.inBuckets ? ", in buckets" : ", by parts");
  }
}

// An Env that cannot tell the size of the list, as for a list that grows while it is
// read: it seems to be one part.
class SizeUnknownEnv final : public EnvWrapper {
 public:
  SizeUnknownEnv(Env* target, std::string list) : EnvWrapper(target), list_(std::move(list)) {}
  FileFacts Inspect(const std::string& name) override {
    FileFacts facts = target()->Inspect(name);
    if (name == list_) facts.size = 0;
    return facts;
  }

 private:
  std::string list_;
};

// The lines gathered for a list of one part are dealt with the rest once the list turns
// out larger: the lines of its first part end up anywhere, not first.
TEST_F(SortByPartsTest, RandomizingAListLargerThanItsSizeSaidDealsItAll) {
  constexpr int kLines = 20000;
  constexpr int kLineSize = 14;
  constexpr int kFirstPart = 20000 / kLineSize;
  std::string list;
  for (int i = 0; i < kLines; ++i) list += "u" + std::to_string(100000 + i) + "@x.com\n";
  WriteFile(dir_.File("in.txt"), list);
  job_.randomize = true;
  job_.rearrangeMode = RearrangeMode::kRandomize;
  job_.chunkSizes.list = 20000;
  job_.random.Seed(1);
  job_.runPermission->Set();
  SizeUnknownEnv env(&env_, job_.inputFileName);
  ActionRunner(job_, sink_, &env).Run();
  EXPECT_EQ(job_.resultsText, Report(2, kLines, false, 0));
  const std::string output = Output();
  ASSERT_EQ(SortedLines(output), SortedLines(list));
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
  // About 143 of the first 2,000 lines written come from the first part.
  int fromFirst = 0;
  for (std::size_t at = 0; at < 2000 * kLineSize; at += kLineSize) {
    fromFirst += std::stoi(output.substr(at + 1, 6)) - 100000 < kFirstPart;
  }
  EXPECT_GT(fromFirst, 90);
  EXPECT_LT(fromFirst, 200);
}

std::string Repeats() {
  std::string list;
  for (int i = 0; i < 60; ++i) list += i % 3 ? "a@x\n" : "A@x\n";
  return list;
}

TEST_F(SortByPartsTest, RandomizingKeepsEveryDuplicate) {
  job_.chunkSizes.list = 64;
  job_.chunkSizes.merge = 16;
  ASSERT_EQ(Run(Repeats(), 2), "");
  EXPECT_EQ(SortedLines(Output()), SortedLines(Repeats()));
  EXPECT_EQ(job_.resultsText, Report(2, 60, false, 0));
}

// Randomizing has no duplicates to report, and removes none even when the job asks.
TEST_F(SortByPartsTest, RandomizingKeepsEveryDuplicateWhateverTheJobSays) {
  job_.chunkSizes.list = 64;
  job_.chunkSizes.merge = 16;
  ASSERT_EQ(Run(Repeats(), 2, /*dedup=*/true), "");
  EXPECT_EQ(SortedLines(Output()), SortedLines(Repeats()));
  EXPECT_EQ(job_.resultsText, Report(2, 60, true, 0));
}

}  // namespace
}  // namespace vantor
