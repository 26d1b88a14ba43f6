#include "engine/split.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/runner.h"
#include "tests/support/action_test.h"
#ifndef _WIN32
#include "tests/support/few_descriptors.h"
#endif
#include "tests/support/test_files.h"
#include "tests/support/test_run.h"

namespace vantor {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------------
// Part names

struct NameCase {
  std::string base;
  std::uint64_t part;
  std::string name;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.base << " #" << c.part; }

class PartNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PartNameTest, PutsTheNumberBeforeTheLastDotOfTheFileName) {
  EXPECT_EQ(PartFileName(GetParam().base, GetParam().part), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PartNameTest,
    ::testing::Values(
        NameCase{"out", 1, "out.1"}, NameCase{"out", 2, "out.2"}, NameCase{".mail", 1, ".mail.1"},
        NameCase{"out.", 1, "out.1"}, NameCase{"/d/lists/out.txt", 1, "/d/lists/out1.txt"},
        NameCase{"/d/lists/out.txt", 12, "/d/lists/out12.txt"},
        NameCase{"out.tar.gz", 3, "out.tar3.gz"}, NameCase{"/my.lists/out", 1, "/my.lists/out.1"},
        NameCase{"/my.lists/.mail", 1, "/my.lists/.mail.1"},
        NameCase{"/my.lists/out.", 1, "/my.lists/out.1"}, NameCase{"/d/.", 4, "/d/.4"},
#ifdef _WIN32
        // A backslash ends a folder's name there; a per-cent sign is an ordinary character.
        NameCase{"a.b\\c", 1, "a.b\\c.1"}, NameCase{"%d.txt", 7, "%d7.txt"},
#else
        // A backslash and a per-cent sign are ordinary characters here.
        NameCase{"a.b\\c", 1, "a1.b\\c"}, NameCase{"%d.txt", 7, "%d7.txt"},
#endif
        NameCase{"list", 4294967296ull, "list.4294967296"}));

// Which existing names a split's parts would take: only numbers without a leading zero,
// and names in another letter case where the system takes them for the same.
TEST(PartNamePatternTest, KnowsTheNamesOfItsParts) {
  const PartNamePattern pattern = MakePartNamePattern("/d/out.txt");
  const std::pair<const char*, bool> cases[] = {
      {"/d/out1.txt", true},
      {"/d/out12.txt", true},
      {"/d/out01.txt", false},
      {"/d/out.txt", false},
      {"/d/outx.txt", false},
      {"/d/out1.txt.bak", false},
      {"/d/OUT2.TXT", kNamesIgnoreCase},
  };
  for (const auto& [name, canName] : cases) EXPECT_EQ(pattern.CanName(name), canName) << name;
}

// ---------------------------------------------------------------------------------
// The split through the runner, on files in a fresh directory

// The number of a part of out.txt in the test's directory ("out<N>.txt"), else 0.
std::uint64_t PartNumber(const std::string& name) {
  if (name.size() < 8 || name.rfind("out", 0) != 0 ||
      name.compare(name.size() - 4, 4, ".txt") != 0 || name[3] == '0') {
    return 0;
  }
  const std::string digits = name.substr(3, name.size() - 7);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoull(digits);
}

// One split action on the files of the shared fixture; its parts are those of out.txt.
class SplitTest : public testing::ActionTest {
 protected:
  SplitTest() {
    job_.splitOn = true;
    // A split writes its parts only: no destination is there to start with.
    ::unlink(job_.outputFileName.c_str());
  }

  // Runs a split of `list`; returns the error text, empty when the run completed.
  std::string Run(const std::string& list, bool byCount, std::int32_t size) {
    WriteFile(dir_.File("in.txt"), list);
    job_.splitByCount = byCount;
    job_.splitSize = size;
    return RunAgain();
  }

  // Runs the job again after removing the parts of an earlier run.
  std::string RunAgain() {
    for (const std::string& name : dir_.List()) {
      if (PartNumber(name) > 0) ::unlink(dir_.File(name).c_str());
    }
    return ActionTest::RunAgain();
  }

  // The contents of the parts in the order of their numbers, which must run from 1
  // without a gap.
  Names Parts() {
    std::map<std::uint64_t, std::string> parts;
    for (const std::string& name : dir_.List()) {
      if (const std::uint64_t number = PartNumber(name)) parts[number] = ReadFile(dir_.File(name));
    }
    Names contents;
    for (const auto& [number, text] : parts) {
      EXPECT_EQ(number, contents.size() + 1) << "the parts have a gap";
      contents.push_back(text);
    }
    return contents;
  }

  // Neither the list nor the destination is written by the split, and it makes no
  // temporary file.
  void ExpectOnlyPartsBeside(const std::string& list) {
    EXPECT_EQ(ReadFile(dir_.File("in.txt")), list);
    EXPECT_FALSE(FileExists(job_.outputFileName));
    for (const std::string& name : dir_.List()) {
      EXPECT_TRUE(name == "in.txt" || PartNumber(name) > 0) << name;
    }
  }

  static std::string Report(std::size_t parts) {
    return "Split list:\r\nEmail list was splitted into " + std::to_string(parts) +
           " parts\r\n\r\n";
  }
};

std::string Lines(int from, int count, const std::string& end = "\n") {
  std::string text;
  for (int i = from; i < from + count; ++i) text += "e" + std::to_string(i) + "@x.com" + end;
  return text;
}

struct Example {
  const char* what;
  std::string list;
  bool byCount;
  std::int32_t size;
  Names parts;
  // Sizes of the list chunk (by count; longer than any line, which the reader would
  // cut) or of the read buffer (by size).
  std::vector<std::uint32_t> chunks = {1 << 20, 9, 16};
};

void PrintTo(const Example& e, std::ostream* os) { *os << e.what; }

class SplitExampleTest : public SplitTest, public ::testing::WithParamInterface<Example> {};

TEST_P(SplitExampleTest, CutsTheListIntoTheseParts) {
  const Example& e = GetParam();
  for (std::uint32_t chunk : e.chunks) {
    job_.chunkSizes.list = chunk;
    job_.chunkSizes.writeBuffer = 8;
    ASSERT_EQ(Run(e.list, e.byCount, e.size), "") << "chunk " << chunk;
    EXPECT_EQ(Parts(), e.parts) << "chunk " << chunk;
    EXPECT_EQ(job_.resultsText, Report(e.parts.size())) << "chunk " << chunk;
    ExpectOnlyPartsBeside(e.list);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ByCount, SplitExampleTest,
    ::testing::Values(
        Example{"ten by three",
                Lines(0, 10),
                true,
                3,
                {Lines(0, 3), Lines(3, 3), Lines(6, 3), Lines(9, 1)}},
        Example{"nine by three makes no empty fourth part",
                Lines(0, 9),
                true,
                3,
                {Lines(0, 3), Lines(3, 3), Lines(6, 3)}},
        Example{"empty list", "", true, 3, {}}, Example{"only blank lines", "\n\n\n", true, 1, {}},
        Example{"last line without line end", "a\nb\nc", true, 2, {"a\nb\n", "c\n"}},
        Example{"last line without CR LF", "a\r\nb\r\nc", true, 2, {"a\r\nb\r\n", "c\r\n"}},
        Example{"blank LF lines ride inside a part and drop at its edges",
                "\na\n\nb\n\n\nc\n\nd\n\n",
                true,
                2,
                {"a\n\nb\n", "c\n\nd\n"},
                {1 << 20}},
        Example{"blank CR LF lines are e-mails", "a\r\n\r\nb\r\n", true, 2, {"a\r\n\r\n", "b\r\n"}},
        Example{"mixed line ends stay as they are",
                "a\r\n\nb\nc\r\n",
                true,
                2,
                {"a\r\n\nb\n", "c\r\n"}},
        // Chunk 2: "a\n" ends the first chunk, and the blank line opens the next.
        Example{"a blank line at a chunk border drops", "a\n\nb\n", true, 5, {"a\nb\n"}, {2}},
        Example{"one part per e-mail", "a\nb\r\nc", true, 1, {"a\n", "b\r\n", "c\n"}}));

INSTANTIATE_TEST_SUITE_P(
    BySize, SplitExampleTest,
    ::testing::Values(
        Example{"shorter than a part, no line end", "a@x\nb@y", false, 1024, {"a@x\nb@y"}},
        Example{"empty list", "", false, 10, {}},
        Example{"blank lines stay", "a\n\n\r\nb\n", false, 4, {"a\n\n", "\r\nb\n"}},
        Example{"lines that fill a part exactly", "ab\ncd\n", false, 3, {"ab\n", "cd\n"}},
        Example{
            "a last line that fills the part exactly", "abcd\nefghi", false, 10, {"abcd\nefghi"}},
        Example{"a line longer than a part has a part of its own",
                "ab\nxxxxxxxxxx\ncd\n",
                false,
                5,
                {"ab\n", "xxxxxxxxxx\n", "cd\n"}},
        Example{"a long last line without line end", "ab\nxxxxxxx", false, 3, {"ab\n", "xxxxxxx"}},
        Example{"only a long line", "xxxxxxx", false, 3, {"xxxxxxx"}},
        Example{"long lines one after another",
                "xxxxx\nyyyyyy\nz\n",
                false,
                2,
                {"xxxxx\n", "yyyyyy\n", "z\n"}}));

// The example of one kilobyte parts, built here where its lines are known.
TEST_F(SplitTest, PartsOfOneKilobyteHoldFiftyOneLinesOfTwentyBytes) {
  std::string line = "abcdefghij@x.com.ab\n";
  ASSERT_EQ(line.size(), 20u);
  std::string list;
  for (int i = 0; i < 120; ++i) list += line;
  ASSERT_EQ(Run(list, false, 1024), "");
  std::string fiftyOne;
  for (int i = 0; i < 51; ++i) fiftyOne += line;
  EXPECT_EQ(Parts(), (Names{fiftyOne, fiftyOne, list.substr(0, 18 * 20)}));
  EXPECT_EQ(job_.resultsText, Report(3));
}

// A line longer than the buffer the cuts are looked for with still shares a part it
// fits into.
TEST_F(SplitTest, ALineLongerThanTheReadBufferSharesAPartItFits) {
  job_.chunkSizes.list = 8;
  const std::string longLine = std::string(20, 'y') + "\n";
  ASSERT_EQ(Run("a\n" + longLine + "b\nc", false, 100), "");
  EXPECT_EQ(Parts(), (Names{"a\n" + longLine + "b\nc"}));
  ASSERT_EQ(Run("a\n" + longLine + "b\nc", false, 23), "");
  EXPECT_EQ(Parts(), (Names{"a\n" + longLine, "b\nc"}));
  ASSERT_EQ(Run(std::string(24, 'y'), false, 100), "");
  EXPECT_EQ(Parts(), (Names{std::string(24, 'y')}));
}

TEST_F(SplitTest, ExistingFilesWithAPartsNameAreOverwritten) {
  WriteFile(dir_.File("in.txt"), "a\nb\n");
  job_.splitByCount = true;
  job_.splitSize = 1;
  WriteFile(dir_.File("out2.txt"), "an older and longer file\n");
  job_.inputFileName = dir_.File("in.txt");
  ActionRunner(job_, sink_, &env_).Run();
  EXPECT_EQ(Parts(), (Names{"a\n", "b\n"}));
}

TEST_F(SplitTest, PostsItsProgressTextsInOrder) {
  job_.chunkSizes.list = 1 << 20;
  ASSERT_EQ(Run("a\nb\nc\n", true, 2), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Reading emails...", "Writing emails", "Reading emails...", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO2), (Names{"Creating part 1...", "Creating part 2...", ""}));
  ASSERT_EQ(Run("a\nb\nc\n", false, 4), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO), (Names{"Reading emails...", "Writing emails...",
                                          "Reading emails...", "Writing emails...", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO2), (Names{"Creating part 1...", "Creating part 2...", ""}));
}

// After earlier actions the split cuts what they committed and names its parts after
// it; that file itself stays.
TEST_F(SplitTest, AfterAnotherActionCutsItsResultAndLeavesItInPlace) {
  job_.filterOn = true;
  job_.filterFileName = dir_.File("filter.txt");
  WriteFile(job_.filterFileName, "spam\n");
  ASSERT_EQ(Run("a\nspam\nb\nc\n", true, 2), "");
  EXPECT_EQ(ReadFile(dir_.File("out.txt")), "a\nb\nc\n");
  EXPECT_EQ(Parts(), (Names{"a\nb\n", "c\n"}));
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a\nspam\nb\nc\n");
}

TEST_F(SplitTest, ReplacingTheInputNamesThePartsAfterItAndLeavesItAsItIs) {
  job_.replaceInput = true;
  WriteFile(dir_.File("list"), "a\nb\nc\n");
  job_.inputFileName = dir_.File("list");
  job_.splitByCount = false;
  job_.splitSize = 4;
  ActionRunner(job_, sink_, &env_).Run();
  EXPECT_EQ(sink_.Trace().back(), "done");
  EXPECT_EQ(ReadFile(dir_.File("list.1")), "a\nb\n");
  EXPECT_EQ(ReadFile(dir_.File("list.2")), "c\n");
  EXPECT_EQ(ReadFile(dir_.File("list")), "a\nb\nc\n");
  EXPECT_EQ(dir_.List(), (Names{"list", "list.1", "list.2"}));
}

TEST_F(SplitTest, APartSizeBelowOneIsRefused) {
  EXPECT_EQ(Run("a\n", true, 0), "Please enter valid number of emails per part");
  EXPECT_EQ(Run("a\n", false, -1), "Please enter valid number of bytes per part");
  ExpectOnlyPartsBeside("a\n");
  EXPECT_TRUE(Parts().empty());
}

// ---------------------------------------------------------------------------------
// A part never takes the name of the list it is cut from

struct OverwriteCase {
  std::string output;  // inside the test's directory
  std::string input;
  bool refused;
};

void PrintTo(const OverwriteCase& c, std::ostream* os) { *os << c.output << " / " << c.input; }

class SplitOverwriteTest : public SplitTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(SplitOverwriteTest, RefusesBeforeWritingWhenAPartCouldTakeTheListsName) {
  const OverwriteCase& c = GetParam();
  for (const char* sub : {"a", "a/b", "c"}) std::filesystem::create_directory(dir_.File(sub));
  const std::string list = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n";
  WriteFile(dir_.File(c.input), list);
  job_.inputFileName = dir_.File(c.input);
  job_.outputFileName = dir_.File(c.output);
  job_.splitByCount = true;
  job_.splitSize = 1;
  ActionRunner(job_, sink_, &env_).Run();
  EXPECT_EQ(ReadFile(dir_.File(c.input)), list);
  if (c.refused) {
    EXPECT_EQ(sink_.Trace().back(), "error split part would overwrite the list being split");
    EXPECT_EQ(job_.resultsText, "") << "refused before the job's first action";
    Names a;
    for (const auto& name : std::filesystem::directory_iterator(dir_.File("a"))) {
      if (name.is_regular_file()) a.push_back(name.path().filename().string());
    }
    EXPECT_EQ(a.size(), 1u) << "only the list itself";
  } else {
    EXPECT_EQ(sink_.Trace().back(), "done");
    EXPECT_EQ(job_.resultsText, Report(12));
  }
}

INSTANTIATE_TEST_SUITE_P(Names, SplitOverwriteTest,
                         ::testing::Values(OverwriteCase{"a/out.txt", "a/out1.txt", true},
                                           OverwriteCase{"a/out.txt", "a/out12.txt", true},
                                           OverwriteCase{"a/out.txt", "a/out99.txt", true},
                                           OverwriteCase{"a/b/../out.txt", "a/./out3.txt", true},
                                           OverwriteCase{"a/out", "a/out.7", true},
                                           OverwriteCase{"a/out.", "a/out.2", true},
                                           OverwriteCase{"a/out.txt", "a/out0.txt", false},
                                           OverwriteCase{"a/out.txt", "a/out01.txt", false},
                                           OverwriteCase{"a/out.txt", "a/out1.txt.bak", false},
                                           OverwriteCase{"a/out.txt", "a/out1a.txt", false},
                                           OverwriteCase{"a/out.txt", "c/out1.txt", false}));

// The same file under another name: a hard link, a folder reached through a link, the
// user's list after an earlier action, the filter file, or a part that may not be
// replaced. Each is refused before a part is made, and every file stays as it was.
struct SameFileCase {
  const char* name;
  // Prepares the files beside in.txt and the job; the parts are those of out.txt.
  std::function<void(const TempDir&, ProcessingJob&)> setUp;
  const char* error;
};

void PrintTo(const SameFileCase& c, std::ostream* os) { *os << c.name; }

class SplitSameFileTest : public SplitTest, public ::testing::WithParamInterface<SameFileCase> {};

TEST_P(SplitSameFileTest, RefusesBeforeAnyPartAndChangesNoFile) {
  const std::string list = "b@x\na@x\nd@x\nc@x\n";
  WriteFile(dir_.File("in.txt"), list);
  job_.splitByCount = true;
  job_.splitSize = 1;
  GetParam().setUp(dir_, job_);
  std::map<std::string, std::string> before;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
    if (entry.is_regular_file()) before[entry.path().string()] = ReadFile(entry.path().string());
  }
  ActionRunner(job_, sink_, &env_).Run();
  EXPECT_EQ(sink_.Trace().back(), std::string("error ") + GetParam().error);
  std::map<std::string, std::string> after;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
    if (entry.is_regular_file()) after[entry.path().string()] = ReadFile(entry.path().string());
  }
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, SplitSameFileTest,
    ::testing::Values(
        SameFileCase{"PartIsAHardLinkToTheList",
                     [](const TempDir& dir, ProcessingJob&) {
                       std::filesystem::create_hard_link(dir.File("in.txt"), dir.File("out3.txt"));
                     },
                     "split part would overwrite the list being split"},
#ifndef _WIN32  // symbolic links need a privilege on Windows
        SameFileCase{"PartIsALinkToTheList",
                     [](const TempDir& dir, ProcessingJob&) {
                       ::symlink(dir.File("in.txt").c_str(), dir.File("out2.txt").c_str());
                     },
                     "split part would overwrite the list being split"},
        SameFileCase{"PartsFolderIsALinkToTheListsFolder",
                     [](const TempDir& dir, ProcessingJob& job) {
                       std::filesystem::create_directory(dir.File("real"));
                       ::rename(dir.File("in.txt").c_str(), dir.File("real/out2.txt").c_str());
                       ::symlink(dir.File("real").c_str(), dir.File("linked").c_str());
                       job.inputFileName = dir.File("real/out2.txt");
                       job.outputFileName = dir.File("linked/out.txt");
                     },
                     "split part would overwrite the list being split"},
#endif
        // The sort commits out.txt, which the split cuts; part 1 is the user's list.
        SameFileCase{"PartIsTheListAnEarlierActionRead",
                     [](const TempDir& dir, ProcessingJob& job) {
                       ::rename(dir.File("in.txt").c_str(), dir.File("out1.txt").c_str());
                       job.inputFileName = dir.File("out1.txt");
                       job.sortByEmail = true;
                     },
                     "split part would overwrite the list being split"},
        SameFileCase{"PartIsTheFilterFile",
                     [](const TempDir& dir, ProcessingJob& job) {
                       WriteFile(dir.File("out4.txt"), "nobody\n");
                       job.filterOn = true;
                       job.filterFileName = dir.File("out4.txt");
                     },
                     "split part would overwrite the filter file"},
        SameFileCase{"PartIsTheSuppressionFile",
                     [](const TempDir& dir, ProcessingJob& job) {
                       WriteFile(dir.File("out3.txt"), "nobody\n");
                       job.suppressOn = true;
                       job.suppressFileName = dir.File("out3.txt");
                     },
                     "split part would overwrite the suppression file"},
        SameFileCase{"PartIsReadOnly",
                     [](const TempDir& dir, ProcessingJob&) {
                       WriteFile(dir.File("out2.txt"), "kept\n");
                       ::chmod(dir.File("out2.txt").c_str(), 0444);
                     },
                     "Failed to rename file"}),
    [](const ::testing::TestParamInfo<SameFileCase>& info) {
      return std::string(info.param.name);
    });

// Called on its own, without the check the action makes first, a split still checks
// each part's name before it creates the part.
// The split writes each part beside the file it will replace and replaces none itself:
// the job's commit checks them all again (a part that became the list is refused
// there) and puts them in place together.
TEST_F(SplitTest, PartsWaitForTheJobsCommit) {
  WriteFile(dir_.File("in3.txt"), "a\nb\nc\nd\n");
  WriteFile(dir_.File("in2.txt"), "old\n");
  job_.inputFileName = dir_.File("in3.txt");
  job_.splitSize = 1;
  for (bool byCount : {true, false}) {
    job_.splitByCount = byCount;
    testing::TestRun test(job_, sink_, &env_);
    EXPECT_EQ(
        (byCount ? SplitByCount : SplitBySize)(test.run, PartNamePattern{dir_.File("in"), ".txt"}),
        4u);
    EXPECT_EQ(ReadFile(dir_.File("in3.txt")), "a\nb\nc\nd\n");
    EXPECT_EQ(ReadFile(dir_.File("in2.txt")), "old\n");
    EXPECT_FALSE(FileExists(dir_.File("in1.txt")));
  }
}

// ---------------------------------------------------------------------------------
// Properties on random lists

// Short lines over a small alphabet, blank lines of both kinds, CR LF and LF line
// ends, now and then a line far longer than the others, sometimes no line end at the
// end.
std::string RandomList(std::mt19937& random, int maxLength, bool longLines) {
  static const std::string kAlphabet = "ab@.x\xe9";
  std::string text;
  const int count = static_cast<int>(random() % 60);
  for (int i = 0; i < count; ++i) {
    int length = static_cast<int>(random() % (maxLength + 1));
    if (longLines && random() % 15 == 0) length = 20 + static_cast<int>(random() % 80);
    for (int k = 0; k < length; ++k) text += kAlphabet[random() % kAlphabet.size()];
    text += random() % 3 == 0 ? "\r\n" : "\n";
  }
  if (!text.empty() && random() % 3 == 0) text.pop_back();
  return text;
}

// The e-mails of a list as the reader sees them: the lines that are not empty, each
// without its trailing CRs (a last line without line end gets one in CR LF lists).
Names Records(const std::string& text) {
  Names records;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(pos, lf - pos);
    pos = lf + 1;
    if (line.empty()) continue;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    records.push_back(line);
  }
  return records;
}

TEST_F(SplitTest, BySizeThePartsPutTogetherAreTheListAndEachIsFilledGreedily) {
  std::mt19937 random(88);
  for (int round = 0; round < 150; ++round) {
    const std::uint32_t buffer = 1 + random() % 48;
    const std::int32_t size = 1 + static_cast<std::int32_t>(random() % 40);
    job_.chunkSizes.list = buffer;
    job_.chunkSizes.writeBuffer = 1 + random() % 32;
    const std::string list = RandomList(random, 12, true);
    const std::string where = "round " + std::to_string(round);
    ASSERT_EQ(Run(list, false, size), "") << where;
    const Names parts = Parts();
    EXPECT_EQ(job_.resultsText, Report(parts.size())) << where;
    std::string joined;
    for (const std::string& part : parts) joined += part;
    ASSERT_EQ(joined, list) << where;

    // A part that holds a single line, too long for a part.
    auto ownLine = [&](const std::string& part) {
      const std::size_t lf = part.find('\n');
      const bool single = lf == std::string::npos || lf + 1 == part.size();
      return single && part.size() > static_cast<std::size_t>(size);
    };
    for (std::size_t k = 0; k < parts.size(); ++k) {
      const std::string& part = parts[k];
      ASSERT_FALSE(part.empty()) << where;
      if (!ownLine(part)) {
        EXPECT_LE(part.size(), static_cast<std::size_t>(size)) << where;
      }
      if (k + 1 == parts.size()) break;
      EXPECT_EQ(part.back(), '\n') << where << " part " << k + 1;
      // It was closed because the next line did not fit.
      const std::string& next = parts[k + 1];
      const std::size_t lf = next.find('\n');
      const std::size_t firstLine = lf == std::string::npos ? next.size() : lf + 1;
      if (!ownLine(part) && !ownLine(next)) {
        EXPECT_GT(part.size() + firstLine, static_cast<std::size_t>(size))
            << where << " part " << k + 1;
      }
    }
  }
}

TEST_F(SplitTest, ByCountEachPartHoldsThatManyEmailsAndTogetherTheyAreTheList) {
  std::mt19937 random(99);
  for (int round = 0; round < 150; ++round) {
    // Lines stay shorter than a chunk: the reader cuts those that are not. Chunks of
    // 64 bytes and more are walked 64 bytes a step.
    job_.chunkSizes.list = 16 + random() % 240;
    job_.chunkSizes.writeBuffer = 1 + random() % 32;
    const std::int32_t size = 1 + static_cast<std::int32_t>(random() % 8);
    const std::string list = RandomList(random, 12, false);
    const std::string where = "round " + std::to_string(round);
    ASSERT_EQ(Run(list, true, size), "") << where;
    const Names parts = Parts();
    const Names records = Records(list);
    ASSERT_EQ(parts.size(), (records.size() + size - 1) / size) << where;
    EXPECT_EQ(job_.resultsText, Report(parts.size())) << where;
    Names joined;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      const std::string& part = parts[k];
      const Names inPart = Records(part);
      if (k + 1 < parts.size()) {
        EXPECT_EQ(inPart.size(), static_cast<std::size_t>(size)) << where;
      }
      // Blank LF lines are carried only between two e-mails of a part.
      EXPECT_NE(part.front(), '\n') << where;
      EXPECT_EQ(part.back(), '\n') << where;
      EXPECT_EQ(part.find("\n\n", part.size() - 2), std::string::npos) << where;
      joined.insert(joined.end(), inPart.begin(), inPart.end());
    }
    EXPECT_EQ(joined, records) << where;
  }
}

#ifndef _WIN32
// Parts wait open for their sync while the next ones are written, but never more than
// the descriptors left under `ulimit -n` allow.
TEST_F(SplitTest, KeepsNoMorePartsOpenThanTheDescriptorsLeftAllow) {
  const std::string list = Lines(0, 300);
  const testing::FewDescriptors few(24);
  ASSERT_EQ(Run(list, true, 3), "");
  const Names parts = Parts();
  ASSERT_EQ(parts.size(), 100u);
  EXPECT_EQ(parts[99], Lines(297, 3));
}
#endif

}  // namespace
}  // namespace vantor
