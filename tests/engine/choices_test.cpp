#include "engine/choices.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

using Captions = std::vector<std::string>;

TEST(BuildJobTest, HandsOutSlotsInTheFixedOrderOfTheActions) {
  JobChoices choices;
  choices.inputFileName = "in.txt";
  choices.outputFileName = "out.txt";
  choices.filter = true;
  choices.rearrange = true;  // neither sort: randomize
  choices.split = true;
  ProcessingJob job;
  EXPECT_EQ(BuildJob(choices, &job),
            (Captions{"Filtering list", "Randomizing list", "Splitting list"}));
  EXPECT_EQ(job.filterSlot, 0);
  EXPECT_EQ(job.rearrangeSlot, 1);
  EXPECT_EQ(job.splitSlot, 2);
  EXPECT_TRUE(job.randomize);
  EXPECT_EQ(job.rearrangeMode, RearrangeMode::kRandomize);
  EXPECT_FALSE(job.includeOn);
  EXPECT_FALSE(job.extractOn);
}

TEST(BuildJobTest, AllFiveActionsUseSlotsZeroToFour) {
  JobChoices choices;
  choices.filter = choices.rearrange = choices.include = choices.extract = choices.split = true;
  choices.sortByDomain = true;
  ProcessingJob job;
  EXPECT_EQ(BuildJob(choices, &job),
            (Captions{"Filtering list", "Sorting list by domain", "Including email",
                      "Extracting random sublist", "Splitting list"}));
  EXPECT_EQ(job.rearrangeMode, RearrangeMode::kSortByDomain);
  EXPECT_EQ(job.includeSlot, 2);
  EXPECT_EQ(job.extractSlot, 3);
  EXPECT_EQ(job.splitSlot, 4);
}

TEST(BuildJobTest, SuppressAndKeepOrderDedupeTakeTheirPlaceInTheOrder) {
  JobChoices choices;
  choices.filter = choices.suppress = choices.rearrange = choices.split = true;
  choices.suppressFileName = "sup.txt";
  choices.keepOrderDedupe = true;
  ProcessingJob job;
  job.randomize = true;  // left from an earlier job
  EXPECT_EQ(BuildJob(choices, &job),
            (Captions{"Filtering list", "Suppressing emails", "Removing duplicates, order kept",
                      "Splitting list"}));
  EXPECT_EQ(job.suppressSlot, 1);
  EXPECT_EQ(job.suppressFileName, "sup.txt");
  EXPECT_EQ(job.rearrangeSlot, 2);
  EXPECT_TRUE(job.keepOrderDedupe);
  EXPECT_FALSE(job.randomize);
  EXPECT_EQ(job.rearrangeMode, RearrangeMode::kKeepOrder);
}

TEST(BuildJobTest, RemoveDuplicatesCountsOnlyWithASort) {
  JobChoices choices;
  choices.rearrange = true;
  choices.removeDuplicatesBox = true;
  ProcessingJob job;

  choices.sortByEmail = true;
  EXPECT_EQ(BuildJob(choices, &job), Captions{"Sorting list by email"});
  EXPECT_TRUE(job.removeDuplicates);
  EXPECT_EQ(job.rearrangeSlot, 0);

  choices.sortByEmail = false;  // randomize
  BuildJob(choices, &job);
  EXPECT_FALSE(job.sortByEmail);
  EXPECT_FALSE(job.removeDuplicates);
}

TEST(BuildJobTest, TheCleanTakesTheFirstSlotAndTheFoldedOrderNeedsASort) {
  JobChoices choices;
  choices.clean = choices.filter = choices.rearrange = true;
  choices.rejectsFileName = "r.txt";
  choices.foldCase = true;  // randomize: no order to fold
  ProcessingJob job;
  EXPECT_EQ(BuildJob(choices, &job),
            (Captions{"Cleaning list", "Filtering list", "Randomizing list"}));
  EXPECT_TRUE(job.cleanOn);
  EXPECT_EQ(job.cleanSlot, 0);
  EXPECT_EQ(job.rejectsFileName, "r.txt");
  EXPECT_FALSE(job.foldCase);
  choices.sortByDomain = true;
  choices.clean = false;
  BuildJob(choices, &job);
  EXPECT_TRUE(job.foldCase);
  EXPECT_FALSE(job.cleanOn);
  EXPECT_EQ(job.rejectsFileName, "");
}

TEST(BuildJobTest, MergeTakesSlotZeroAlone) {
  JobChoices choices;
  choices.singleList = false;
  choices.filter = true;  // left over from an earlier pass through the pages
  choices.outputFileName = "all.txt";
  choices.mergeFiles = {"a", "b"};
  ProcessingJob job;
  job.resultsText = "old";
  EXPECT_EQ(BuildJob(choices, &job), Captions{"Merging lists into single list"});
  EXPECT_FALSE(job.singleListMode);
  EXPECT_EQ(job.mergeSlot, 0);
  EXPECT_EQ(job.mergeFiles, (Captions{"a", "b"}));
  EXPECT_EQ(job.resultsText, "");
}

TEST(BuildJobTest, ReplaceInputLeavesTheOutputNameAlone) {
  JobChoices choices;
  choices.inputFileName = "in.txt";
  choices.outputFileName = "ignored.txt";
  choices.replaceInput = true;
  choices.filter = true;
  ProcessingJob job;
  job.outputFileName = "before";
  BuildJob(choices, &job);
  EXPECT_TRUE(job.replaceInput);
  EXPECT_EQ(job.outputFileName, "before");
}

TEST(TrimWhiteSpaceTest, TrimsTheSixWhiteSpaceCharactersAtBothEnds) {
  EXPECT_EQ(TrimWhiteSpace(" \t\n\v\f\rname with space \r\n"), "name with space");
  EXPECT_EQ(TrimWhiteSpace("   "), "");
  EXPECT_EQ(TrimWhiteSpace(""), "");
  EXPECT_EQ(TrimWhiteSpace("\xA0x\xA0"), "\xA0x\xA0");  // not white space here
}

struct NumberCase {
  const char* text;
  std::int32_t count;      // ReadCountField
  std::int32_t partBytes;  // ReadKilobytesField
};

class NumberFieldTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberFieldTest, ReadsLikeTheParameterPages) {
  EXPECT_EQ(ReadCountField(GetParam().text), GetParam().count) << GetParam().text;
  EXPECT_EQ(ReadKilobytesField(GetParam().text), GetParam().partBytes) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberFieldTest,
    ::testing::Values(NumberCase{"1", 1, 1024}, NumberCase{"  25", 25, 25600},
                      NumberCase{"25 ", 25, 25600}, NumberCase{"007", 7, 7168},
                      NumberCase{"2097151", 2097151, 2147482624},
                      NumberCase{"2097152", 2097152, -1}, NumberCase{"2147483647", 2147483647, -1},
                      NumberCase{"2147483648", -1, -1}, NumberCase{"4294967295", -1, -1},
                      NumberCase{"4294967296", -1, -1}, NumberCase{"99999999999999999999", -1, -1},
                      NumberCase{"0", -1, -1}, NumberCase{"", -1, -1}, NumberCase{" ", -1, -1},
                      NumberCase{"-5", -1, -1}, NumberCase{"+5", -1, -1}, NumberCase{"abc", -1, -1},
                      NumberCase{"12abc", -1, -1}, NumberCase{"1 2", -1, -1}));

TEST(ReadUnsignedFieldTest, TranslatesUpTo4294967295) {
  std::uint32_t value = 0;
  EXPECT_TRUE(ReadUnsignedField("4294967295", &value));
  EXPECT_EQ(value, 4294967295u);
  EXPECT_TRUE(ReadUnsignedField("0", &value));
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(ReadUnsignedField("4294967296", &value));
}

}  // namespace
}  // namespace vantor
