#include "engine/include.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "engine/runner.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::WriteFile;
using Names = std::vector<std::string>;

constexpr char kHeading[] = "Include email into the list:\r\n";
constexpr std::uint32_t kWhole = 1 << 16;  // one chunk for the whole list

// One include action on the files of the shared fixture.
class IncludeTest : public testing::ActionTest {
 protected:
  IncludeTest() {
    job_.includeOn = true;
    job_.includeEmail = "add@x";
  }

  // Runs the job; returns the error text, empty when the run completed.
  std::string Run(const std::string& list, std::int32_t period) {
    WriteFile(dir_.File("in.txt"), list);
    job_.includePeriod = period;
    return RunAgain();
  }

  std::string Report(long long included, long long total) const {
    return kHeading + ("Email '" + job_.includeEmail + "' is included ") +
           std::to_string(included) + " time(s) into the list of " + std::to_string(total) +
           " emails\r\n\r\n";
  }
};

struct Example {
  std::string list;
  std::int32_t period;
  std::uint32_t chunk;
  std::string output;
  int included;
  int total;
};

void PrintTo(const Example& e, std::ostream* os) {
  *os << ::testing::PrintToString(e.list) << " every " << e.period << " chunk " << e.chunk;
}

class IncludeExampleTest : public IncludeTest, public ::testing::WithParamInterface<Example> {};

TEST_P(IncludeExampleTest, WritesTheAddressAfterEveryRunAndReportsIt) {
  const Example& e = GetParam();
  job_.chunkSizes.list = e.chunk;
  ASSERT_EQ(Run(e.list, e.period), "");
  EXPECT_EQ(Output(), e.output);
  EXPECT_EQ(job_.resultsText, Report(e.included, e.total));
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, IncludeExampleTest,
    ::testing::Values(Example{"a\nb\nc\nd\ne\n", 2, kWhole, "a\nb\nadd@x\nc\nd\nadd@x\ne\n", 2, 5},
                      // The address also follows a run that ends the list.
                      Example{"a\nb\nc\nd\n", 2, kWhole, "a\nb\nadd@x\nc\nd\nadd@x\n", 2, 4},
                      Example{"a\nb\nc\n", 5, kWhole, "a\nb\nc\n", 0, 3},
                      Example{"a\nb\n", INT32_MAX, kWhole, "a\nb\n", 0, 2},
                      Example{"", 2, kWhole, "", 0, 0}, Example{"\n\n", 1, kWhole, "", 0, 0},
                      Example{"a\r\nb\r\nc\r\n", 2, kWhole, "a\r\nb\r\nadd@x\r\nc\r\n", 1, 3},
                      // Each address takes the line end of the first line of its run.
                      Example{"a\r\nb\nc\nd\r\n", 2, kWhole, "a\r\nb\nadd@x\r\nc\nd\r\nadd@x\n", 2,
                              4},
                      // A blank line inside a run is copied; one right after an inclusion is not.
                      Example{"a\n\nb\n\nc\n", 2, kWhole, "a\n\nb\nadd@x\nc\n", 1, 3},
                      // In CR LF style a blank line is a record of its own.
                      Example{"a\r\n\r\nb\r\n", 2, kWhole, "a\r\n\r\nadd@x\r\nb\r\n", 1, 3},
                      Example{"\r\na\r\n", 1, kWhole, "\r\nadd@x\r\na\r\nadd@x\r\n", 2, 2},
                      // A last line without a line end gets the one of the file's style first.
                      Example{"a\nb", 2, kWhole, "a\nb\nadd@x\n", 1, 2},
                      Example{"a\r\nb", 1, kWhole, "a\r\nadd@x\r\nb\r\nadd@x\r\n", 2, 2},
                      // Runs counted across chunk boundaries.
                      Example{"aa\nbb\ncc\ndd\nee\n", 3, 4, "aa\nbb\ncc\nadd@x\ndd\nee\n", 1, 5},
                      Example{"aa\nbb\ncc\ndd\nee\nff\ngg", 2, 5,
                              "aa\nbb\nadd@x\ncc\ndd\nadd@x\nee\nff\nadd@x\ngg\n", 3, 7},
                      // A run that began in the chunk before keeps the ending of its first line.
                      Example{"a\r\nb\nc\n", 2, 3, "a\r\nb\nadd@x\r\nc\n", 1, 3},
                      Example{"a\nb\r\nc\r\n", 2, 2, "a\nb\r\nadd@x\nc\r\n", 1, 3},
                      // Blank lines at the end of a chunk are not written; inside one they are.
                      Example{"a\n\n\nb\n", 5, 4, "a\nb\n", 0, 2},
                      Example{"a\n\n\nb\n", 5, kWhole, "a\n\n\nb\n", 0, 2}));

// The list written plainly: every record with its own line end (a last line without
// one gets an LF), and after every `period` records the address with the ending of the
// first line of the run. Blank lines of LF style are left out.
std::string Reference(const std::string& list, std::int32_t period, const std::string& address,
                      long long* total) {
  std::string out;
  *total = 0;
  bool firstCr = false;
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t lf = list.find('\n', pos);
    if (lf == std::string::npos) lf = list.size();
    const std::string line = list.substr(pos, lf - pos);
    pos = lf + 1;
    if (line.empty()) continue;
    if (*total % period == 0) firstCr = line.back() == '\r';
    out += line + "\n";
    if (++*total % period == 0) out += address + (firstCr ? "\r\n" : "\n");
  }
  return out;
}

std::string WithoutBlankLines(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lf = text.find('\n', pos);
    if (lf > pos) out += text.substr(pos, lf - pos + 1);
    pos = lf + 1;
  }
  return out;
}

// Seeded random lists of short lines in both styles, with and without blank lines,
// through chunks of several sizes: every line is kept in order, and the address comes
// after every N-th of them, floor(records / N) times.
TEST_F(IncludeTest, KeepsEveryLineAndAddsOneAddressPerRun) {
  std::mt19937 random(11);
  const std::uint32_t chunks[] = {8, 13, 64, kWhole};
  for (int round = 0; round < 40; ++round) {
    const bool blankLines = round % 2 == 1;
    std::string list;
    const int lines = static_cast<int>(random() % 60);
    for (int i = 0; i < lines; ++i) {
      if (blankLines && random() % 5 == 0) list += "\n";
      // A line of a lone CR is a record; one of nothing is a blank line.
      const bool empty = random() % 7 == 0;
      if (!empty) list += "u" + std::to_string(random() % 1000);
      list += random() % 3 == 0 || (empty && !blankLines) ? "\r\n" : "\n";
    }
    const std::int32_t period = 1 + static_cast<std::int32_t>(random() % 7);
    long long total = 0;
    const std::string expected = Reference(list, period, job_.includeEmail, &total);
    for (std::uint32_t chunk : chunks) {
      job_.chunkSizes.list = chunk;
      job_.chunkSizes.writeBuffer = round % 3 == 0 ? 16 : 1 << 20;
      ASSERT_EQ(Run(list, period), "");
      const std::string where = "round " + std::to_string(round) + " chunk " +
                                std::to_string(chunk) + " list " + ::testing::PrintToString(list);
      if (blankLines) {
        EXPECT_EQ(WithoutBlankLines(Output()), WithoutBlankLines(expected)) << where;
      } else {
        EXPECT_EQ(Output(), expected) << where;
      }
      EXPECT_EQ(job_.resultsText, Report(total / period, total)) << where;
    }
  }
}

TEST_F(IncludeTest, PostsItsProgressTextsInOrder) {
  // Chunks of 4 bytes: four blank lines (no record), then a and b, then c.
  job_.chunkSizes.list = 4;
  ASSERT_EQ(Run("\n\n\n\na\nb\nc\n", 2), "");
  EXPECT_EQ(sink_.Texts(WMU_INFO2), (Names{"0 email(s) processed, 0 email(s) included",
                                           "0 email(s) processed, 0 email(s) included",
                                           "2 email(s) processed, 1 email(s) included",
                                           "3 email(s) processed, 1 email(s) included", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Reading emails...", "Reading emails...", "Writing emails...",
                   "Reading emails...", "Writing emails...", "Reading emails...",
                   "Renaming temporary file into output file...", ""}));
}

TEST_F(IncludeTest, APeriodBelowOneOrAnAddressOfSeveralLinesIsRefusedBeforeAnyFileIsMade) {
  struct Case {
    std::string email;
    std::int32_t period;
    const char* error;
  };
  const Case cases[] = {
      {"add@x", 0, "invalid period of inclusion"},
      {"add@x", -1, "invalid period of inclusion"},
      {"add@x", INT32_MIN, "invalid period of inclusion"},
      {"a@b\nc@d", 2, "invalid email to include"},
      {"a@b\r", 2, "invalid email to include"},
      {std::string("a\0b", 3), 2, "invalid email to include"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.email) + " every " + std::to_string(c.period));
    job_.includeEmail = c.email;
    EXPECT_EQ(Run("a\nb\n", c.period), c.error);
    EXPECT_EQ(Output(), "previous\n");
    EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
    EXPECT_EQ(job_.resultsText, kHeading);
  }
}

TEST_F(IncludeTest, AMissingInputFailsAndLeavesNoTemporaryFile) {
  job_.includePeriod = 2;
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), Names{"out.txt"});
  EXPECT_EQ(job_.resultsText, kHeading);
}

}  // namespace
}  // namespace vantor
