#include "cli/options.h"

#include <gtest/gtest.h>

namespace vantor::cli {
namespace {

std::string Parse(std::vector<std::string> args, CliOptions* options = nullptr) {
  CliOptions local;
  return ParseOptions(args, options ? options : &local);
}

// File names are taken as the shell gave them, blanks and all.
TEST(OptionsTest, AFilterJobToAnOutputFile) {
  CliOptions options;
  EXPECT_EQ(Parse({"--filter", " f.txt", "-o", " out.txt\t", "  in.txt "}, &options), "");
  EXPECT_TRUE(options.choices.singleList);
  EXPECT_TRUE(options.choices.filter);
  EXPECT_EQ(options.choices.filterFileName, " f.txt");
  EXPECT_EQ(options.choices.outputFileName, " out.txt\t");
  EXPECT_EQ(options.choices.inputFileName, "  in.txt ");
  EXPECT_FALSE(options.seedGiven);
  EXPECT_EQ(Parse({"--filter", "f", "-o", " ", "\t"}, &options), "");
  EXPECT_EQ(options.choices.outputFileName, " ");
  EXPECT_EQ(options.choices.inputFileName, "\t");
}

TEST(OptionsTest, LongOptionsTakeTheirValueAfterAnEqualsSignToo) {
  CliOptions options;
  EXPECT_EQ(Parse({"--output=o", "--filter=f", "--seed=42", "-q", "i"}, &options), "");
  EXPECT_EQ(options.choices.outputFileName, "o");
  EXPECT_EQ(options.choices.filterFileName, "f");
  EXPECT_TRUE(options.seedGiven);
  EXPECT_EQ(options.seed, 42u);
  EXPECT_TRUE(options.quiet);
}

TEST(OptionsTest, SuppressAndDedupeAreActionsOfTheirOwn) {
  CliOptions options;
  EXPECT_EQ(Parse({"--suppress", "s.txt", "--dedupe", "-o", "o", "i"}, &options), "");
  EXPECT_TRUE(options.choices.suppress);
  EXPECT_EQ(options.choices.suppressFileName, "s.txt");
  EXPECT_TRUE(options.choices.rearrange);
  EXPECT_TRUE(options.choices.keepOrderDedupe);
  EXPECT_FALSE(options.choices.sortByEmail || options.choices.sortByDomain);
}

TEST(OptionsTest, ReplaceInputNeedsNoOutput) {
  CliOptions options;
  EXPECT_EQ(Parse({"-r", "--filter", "f", "in"}, &options), "");
  EXPECT_TRUE(options.choices.replaceInput);
}

TEST(OptionsTest, ADoubleDashEndsTheOptions) {
  CliOptions options;
  EXPECT_EQ(Parse({"--filter", "f", "-o", "o", "--", "-in-"}, &options), "");
  EXPECT_EQ(options.choices.inputFileName, "-in-");
}

TEST(OptionsTest, EveryActionWithItsValuesInAnyOrder) {
  CliOptions options;
  EXPECT_EQ(Parse({"--split-kb", "2", "--extract", " 5 ", "--every", "3", "--include", " x@y.z ",
                   "--remove-duplicates", "--sort-domain", "--filter", "f", "-o", "o", "in"},
                  &options),
            "");
  const JobChoices& c = options.choices;
  EXPECT_TRUE(c.filter && c.rearrange && c.include && c.extract && c.split);
  EXPECT_TRUE(c.sortByDomain);
  EXPECT_FALSE(c.sortByEmail);
  EXPECT_TRUE(c.removeDuplicatesBox);
  EXPECT_EQ(c.includeEmail, "x@y.z");
  EXPECT_EQ(c.includePeriod, 3);
  EXPECT_EQ(c.extractCount, 5);
  EXPECT_FALSE(c.splitByCount);
  EXPECT_EQ(c.splitSize, 2048);
}

TEST(OptionsTest, CleanWithItsRejectsAndAFoldedSort) {
  CliOptions options;
  EXPECT_EQ(Parse({"--fold-case", "--rejects", "r.txt", "--sort-email", "--clean", "-o", "o", "in"},
                  &options),
            "");
  const JobChoices& c = options.choices;
  EXPECT_TRUE(c.clean && c.foldCase && c.sortByEmail);
  EXPECT_EQ(c.rejectsFileName, "r.txt");
  // The clean alone is an action.
  CliOptions alone;
  EXPECT_EQ(Parse({"--clean", "-r", "in"}, &alone), "");
  EXPECT_TRUE(alone.choices.clean);
  EXPECT_EQ(alone.choices.rejectsFileName, "");
}

TEST(OptionsTest, RandomizeIsARearrangeWithoutASort) {
  CliOptions options;
  EXPECT_EQ(Parse({"--randomize", "-r", "in"}, &options), "");
  EXPECT_TRUE(options.choices.rearrange);
  EXPECT_FALSE(options.choices.sortByEmail || options.choices.sortByDomain);
}

TEST(OptionsTest, AMergeTakesItsListsInOrder) {
  CliOptions options;
  EXPECT_EQ(Parse({"--merge", "b", "-o", " all ", "a ", "c"}, &options), "");
  EXPECT_FALSE(options.choices.singleList);
  EXPECT_EQ(options.choices.outputFileName, " all ");
  EXPECT_EQ(options.choices.mergeFiles, (std::vector<std::string>{"b", "a ", "c"}));
}

TEST(OptionsTest, HelpAndVersionNeedNothingElse) {
  CliOptions options;
  EXPECT_EQ(Parse({"--help"}, &options), "");
  EXPECT_TRUE(options.help);
  EXPECT_EQ(Parse({"--version"}), "");
}

struct UsageCase {
  std::vector<std::string> args;
  const char* reason;
};

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, IsRefusedWithItsReason) {
  EXPECT_EQ(Parse(GetParam().args), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, UsageErrorTest,
    ::testing::Values(
        UsageCase{{"--filter", "f", "-o", "o"}, "input list: Please enter filename"},
        UsageCase{{"--filter", "f", "-o", "o", ""}, "input list: Please enter filename"},
        UsageCase{{"--filter", "f", "in"},
                  "output file (-o FILE or --replace-input): Please enter filename"},
        UsageCase{{"--filter", "f", "-o", "", "in"},
                  "output file (-o FILE or --replace-input): Please enter filename"},
        UsageCase{{"-o", "o", "in"}, "Please choose at least one action to perform"},
        UsageCase{{"-r", "-o", "o", "--filter", "f", "in"},
                  "--output and --replace-input exclude each other"},
        UsageCase{{"--filter", "f", "-o", "o", "a", "b"},
                  "one input list only (use --merge to join lists)"},
        UsageCase{{"--filter"}, "--filter needs a value"},
        UsageCase{{"-o", "a", "-o", "b", "--filter", "f", "in"}, "-o given twice"},
        UsageCase{{"--frobnicate", "in"}, "unknown option --frobnicate"},
        UsageCase{{"--quiet=yes", "in"}, "--quiet takes no value"},
        UsageCase{{"--seed", "-1", "--filter", "f", "-o", "o", "in"},
                  "--seed takes a number from 0 to 4294967295"},
        UsageCase{{"--seed", "4294967296", "--filter", "f", "-o", "o", "in"},
                  "--seed takes a number from 0 to 4294967295"},
        UsageCase{{"--sort-email", "--randomize", "-o", "o", "in"},
                  "--sort-email and --randomize exclude each other"},
        UsageCase{{"--dedupe", "--sort-domain", "-o", "o", "in"},
                  "--dedupe and --sort-domain exclude each other"},
        UsageCase{{"--dedupe", "--remove-duplicates", "-o", "o", "in"},
                  "--remove-duplicates needs --sort-email or --sort-domain"},
        UsageCase{{"--merge", "--suppress", "s", "-o", "all", "a", "b"},
                  "--merge takes no single-list action"},
        UsageCase{{"--remove-duplicates", "--filter", "f", "-o", "o", "in"},
                  "--remove-duplicates needs --sort-email or --sort-domain"},
        UsageCase{{"--rejects", "r", "--filter", "f", "-o", "o", "in"}, "--rejects needs --clean"},
        UsageCase{{"--clean", "--rejects=", "-o", "o", "in"}, "--rejects: Please enter filename"},
        UsageCase{{"--fold-case", "--randomize", "-o", "o", "in"},
                  "--fold-case needs --sort-email or --sort-domain"},
        UsageCase{{"--merge", "--clean", "-o", "all", "a", "b"},
                  "--merge takes no single-list action"},
        UsageCase{{"--include", " ", "--every", "3", "-o", "o", "in"},
                  "--include: Please enter email"},
        // Inserted after every N addresses, it would be several lines each time.
        UsageCase{{"--include", "a@b\nc@d", "--every", "3", "-o", "o", "in"},
                  "--include: Please enter email without line breaks"},
        UsageCase{{"--include", "a@b\rc@d", "--every", "3", "-o", "o", "in"},
                  "--include: Please enter email without line breaks"},
        UsageCase{{"--include", std::string("a\0b", 3), "--every", "3", "-o", "o", "in"},
                  "--include: Please enter email without line breaks"},
        UsageCase{{"--include", "x@y.z", "--every", "0", "-o", "o", "in"},
                  "--every: Please enter correct period (number of messages)"},
        UsageCase{{"--include", "x@y.z", "-o", "o", "in"},
                  "--every: Please enter correct period (number of messages)"},
        UsageCase{{"--every", "3", "-o", "o", "in"}, "--every needs --include ADDRESS"},
        UsageCase{{"--extract", "2147483648", "-o", "o", "in"},
                  "--extract: Please enter valid number of emails to extract)"},
        UsageCase{{"--split-count", "x", "-o", "o", "in"},
                  "--split-count: Please enter valid number of emails per part"},
        UsageCase{{"--split-kb", "2097152", "-o", "o", "in"},
                  "--split-kb: Please enter valid number of bytes per part"},
        UsageCase{{"--split-kb", "1", "--split-count", "1", "-o", "o", "in"},
                  "--split-count and --split-kb exclude each other"},
        UsageCase{{"--merge", "-o", "all", "a"},
                  "Please specify files to merge (at least 2 files)"},
        UsageCase{{"--merge", "-o", "", "a", "b"}, "Please specify output filename"},
        UsageCase{{"--merge", "--filter", "f", "-o", "all", "a", "b"},
                  "--merge takes no single-list action"}));

}  // namespace
}  // namespace vantor::cli
