#include "engine/merge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "engine/runner.h"
#include "engine/split.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::Call;
using testing::ReadFile;
using testing::RecordingSink;
using testing::WriteFile;
using Names = std::vector<std::string>;

// A merge job on lists "l0.txt", "l1.txt", ... beside the shared fixture's out.txt.
class MergeTest : public testing::ActionTest {
 protected:
  MergeTest() { job_.singleListMode = false; }

  // Writes the lists, merges them; returns the error text, empty when the run completed.
  std::string Run(const Names& lists) {
    job_.mergeFiles.clear();
    for (std::size_t i = 0; i < lists.size(); ++i) {
      job_.mergeFiles.push_back(dir_.File("l" + std::to_string(i) + ".txt"));
      WriteFile(job_.mergeFiles.back(), lists[i]);
    }
    return RunAgain();
  }

  // The names in the directory other than the lists and the output.
  Names Others() {
    Names others;
    for (const std::string& name : dir_.List()) {
      if (name != "out.txt" &&
          !(name[0] == 'l' && name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)) {
        others.push_back(name);
      }
    }
    return others;
  }

  void RemoveOthers() {
    for (const std::string& name : Others()) ::unlink(dir_.File(name).c_str());
  }

  static std::string Report(std::size_t lists) {
    return std::to_string(lists) + " files merged\r\n\r\n";
  }
};

// ---------------------------------------------------------------------------------
// What is copied, and which line end is added

struct Example {
  const char* what;
  Names lists;
  std::string output;
  std::uint32_t chunk = 1 << 20;
};

void PrintTo(const Example& e, std::ostream* os) { *os << e.what; }

class MergeExampleTest : public MergeTest, public ::testing::WithParamInterface<Example> {};

TEST_P(MergeExampleTest, JoinsTheListsAddingALineEndWhereOneIsMissing) {
  const Example& e = GetParam();
  job_.chunkSizes.list = e.chunk;
  ASSERT_EQ(Run(e.lists), "");
  EXPECT_EQ(Output(), e.output);
  EXPECT_EQ(job_.resultsText, Report(e.lists.size()));
  EXPECT_TRUE(Others().empty());
  for (std::size_t i = 0; i < e.lists.size(); ++i) {
    EXPECT_EQ(ReadFile(job_.mergeFiles[i]), e.lists[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MergeExampleTest,
    ::testing::Values(
        Example{"LF lists", {"x\ny", "z\n"}, "x\ny\nz\n"},
        Example{"a CR LF list first", {"a\r\nb", "c", "d\n", "e"}, "a\r\nb\r\nc\r\nd\ne\r\n"},
        Example{"the lists' own line ends stay", {"a\nb\r\n", "c\r\nd\n"}, "a\nb\r\nc\r\nd\n"},
        Example{"empty lists add nothing", {"", "a\nb", "", "c"}, "a\nb\nc\n"},
        Example{"only empty lists", {"", ""}, ""},
        Example{"the line end comes from a later list", {"x", "y\r\nz"}, "x\r\ny\r\nz\r\n"},
        Example{
            "past empty lists and lists without LF", {"", "x", "", "w", "\r\n"}, "x\r\nw\r\n\r\n"},
        Example{"no LF anywhere", {"x", "y", "z"}, "x\ny\nz\n"},
        Example{"an LF at the very first byte", {"\nx\r\n", "y"}, "\nx\r\ny\n"},
        Example{"a list ending in CR", {"x\r", "\ny"}, "x\r\n\ny\n"},
        // Small chunks: lists of several chunks are copied whole, and only the first
        // chunk of a list is looked at for its line end.
        Example{"several chunks",
                {"a\r\nbcdefg", "h", "ijklmnop\n"},
                "a\r\nbcdefg\r\nh\r\nijklmnop\n",
                3},
        Example{"a line end after the first chunk",
                {"abc\r\ndefgh", "ij\nk"},
                "abc\r\ndefgh\nij\nk\n",
                3},
        Example{
            "a list ending at a chunk border", {"abc\n", "defg", "hijk"}, "abc\ndefg\nhijk\n", 4},
        Example{"a line end past the first chunk of the later lists is not seen",
                {"", "abc", "de\r\nf", "", "ghijk\n", "l"},
                "abc\nde\r\nf\nghijk\nl\n",
                2},
        // The first bytes of a list are looked at first; a line end later in its first
        // chunk still counts.
        Example{"a line end far into the first chunk",
                {std::string(100000, 'a') + "\r\nb", "c"},
                std::string(100000, 'a') + "\r\nb\r\nc\r\n"}));

TEST_F(MergeTest, PostsItsProgressAndOnlyItsParagraph) {
  ASSERT_EQ(Run({"a\n", "b"}), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Reading data...", "Determining line delimiter...", "Merging data...",
                   "Reading data...", "Reading data...", "Merging data...", "Reading data...",
                   "Renaming temporary file into output file...", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO2),
            (Names{"0 file(s) merged", "1 file(s) merged", "2 file(s) merged", ""}));
  EXPECT_EQ(job_.resultsText, "2 files merged\r\n\r\n");
}

// The lists are read in full before the output file is replaced, so the output may be
// one of them, even more than once.
TEST_F(MergeTest, TheOutputFileMayBeOneOfTheLists) {
  WriteFile(job_.outputFileName, "old");
  WriteFile(dir_.File("l1.txt"), "b\r\n");
  job_.mergeFiles = {job_.outputFileName, dir_.File("l1.txt"), job_.outputFileName};
  ASSERT_EQ(RunAgain(), "");
  EXPECT_EQ(Output(), "old\r\nb\r\nold\r\n");
  EXPECT_EQ(job_.resultsText, Report(3));
  EXPECT_TRUE(Others().empty());
}

TEST_F(MergeTest, AMissingListFailsAndLeavesTheOutputAsItWas) {
  WriteFile(dir_.File("l0.txt"), "a\n");
  job_.mergeFiles = {dir_.File("l0.txt"), dir_.File("missing.txt")};
  EXPECT_EQ(RunAgain(), "failed to open input file for reading");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(job_.resultsText, "");
  // Also when the list is only looked at for its line end.
  WriteFile(dir_.File("l0.txt"), "a");
  EXPECT_EQ(RunAgain(), "failed to open input file for reading");
  EXPECT_EQ(Output(), "previous\n");
}

// ---------------------------------------------------------------------------------
// A list split into parts, by count or by size, and the parts merged again is the list,
// with a line end after a last line that had none. (No blank lines: a split by count
// drops some.)
TEST_F(MergeTest, TheMergedPartsOfASplitAreTheList) {
  std::mt19937 random(11);
  for (int round = 0; round < 80; ++round) {
    const bool byCount = round % 2;
    std::string list;
    const int lines = 1 + static_cast<int>(random() % 40);
    const bool crlf = random() % 2;
    for (int i = 0; i < lines; ++i) {
      list += std::string(1 + random() % 11, "ab@.x"[random() % 5]) + (crlf ? "\r\n" : "\n");
    }
    const bool unended = random() % 3 == 0;
    if (unended) list += "last";

    ProcessingJob split;
    split.inputFileName = dir_.File("list.txt");
    split.outputFileName = dir_.File("part.txt");
    split.splitOn = true;
    split.splitByCount = byCount;
    split.splitSize = 1 + static_cast<std::int32_t>(random() % (byCount ? 6 : 30));
    // By count, chunks hold the longest line whole.
    split.chunkSizes.list = (byCount ? 14 : 8) + random() % 40;
    WriteFile(split.inputFileName, list);
    RecordingSink splitSink;
    ActionRunner(split, splitSink, &env_).Run();
    ASSERT_EQ(splitSink.Trace().back(), "done");

    job_.mergeFiles.clear();
    for (std::uint64_t part = 1; testing::FileExists(PartFileName(split.outputFileName, part));
         ++part) {
      job_.mergeFiles.push_back(PartFileName(split.outputFileName, part));
    }
    // Every part has its first line end within its first 13 bytes.
    job_.chunkSizes.list = 13 + random() % 40;
    ASSERT_EQ(RunAgain(), "") << round;
    EXPECT_EQ(Output(), unended ? list + (crlf ? "\r\n" : "\n") : list) << round;
    for (const std::string& part : job_.mergeFiles) ::unlink(part.c_str());
  }
}

// The calls that write {"ab\n", "cd"}: the first list, written from the chunk its line end
// was looked for in; the second, copied; the line end added after it.
TEST_F(MergeTest, AFailedWriteOfAnAddedLineEndHasItsOwnText) {
  struct Case {
    Call kind;
    int nth;  // of its kind
    const char* text;
  };
  const Case cases[] = {{Call::Write, 1, "failed to write into file"},
                        {Call::Copy, 1, "failed to write into file"},
                        {Call::Write, 2, "failed to write info file"}};
  for (const Case& c : cases) {
    env_.FailCallOf(c.kind, env_.callsOf(c.kind) + c.nth);
    EXPECT_EQ(Run({"ab\n", "cd"}), c.text) << c.nth;
    EXPECT_EQ(Output(), "previous\n");
    RemoveOthers();
    env_.ClearFaults();
  }
}

}  // namespace
}  // namespace vantor
