#include "engine/summary.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

JobChoices SingleList() {
  JobChoices c;
  c.inputFileName = "in.txt";
  c.outputFileName = "out.txt";
  return c;
}

TEST(SummaryTest, TheExampleJob) {
  JobChoices c = SingleList();
  c.rearrange = c.sortByDomain = true;
  c.include = true;
  c.includePeriod = 100;
  c.includeEmail = "x";
  c.split = true;
  c.splitByCount = false;
  c.splitSize = 512 * 1024;
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\n"
            "input file: in.txt\r\n"
            "output file: out.txt\r\n\r\n"
            "list will be sorted alphabetically by domain\r\n\r\n"
            "email will be included into the list after each 100 email(s): x\r\n\r\n"
            "Email list will be splitted , 512 kilobyte(s) in a part\r\n\r\n");
}

TEST(SummaryTest, EveryPieceInItsPlace) {
  JobChoices c = SingleList();
  c.replaceInput = true;
  c.filter = true;
  c.filterFileName = " f.txt";
  c.rearrange = true;  // randomize
  c.removeDuplicatesBox = true;
  c.extract = true;
  c.extractCount = 2147483647;
  c.split = true;
  c.splitSize = 3;
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\n"
            "input file: in.txt\r\n"
            "input will be replaced by output\r\n\r\n"
            "list will be filtered using lines from:  f.txt\r\n\r\n"
            "list will be randomized\r\n\r\n"
            "email duplicates will be removed from the list\r\n\r\n"
            "2147483647 random email(s) will be extracted from the list\r\n\r\n"
            "Email list will be splitted , 3 email(s) in a part\r\n\r\n");
}

TEST(SummaryTest, TheCleanComesFirstAndTheFoldedOrderAfterTheDuplicates) {
  JobChoices c = SingleList();
  c.clean = true;
  c.rejectsFileName = "r.txt";
  c.filter = true;
  c.filterFileName = "f.txt";
  c.rearrange = c.sortByEmail = c.removeDuplicatesBox = c.foldCase = true;
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
            "list will be cleaned: blanks trimmed, blank lines and lines that are not addresses "
            "dropped\r\ndropped lines will be written to: r.txt\r\n\r\n"
            "list will be filtered using lines from: f.txt\r\n\r\n"
            "list will be sorted alphabetically by email\r\n\r\n"
            "email duplicates will be removed from the list\r\n\r\n"
            "the sort will ignore letter case\r\n\r\n");
}

TEST(SummaryTest, SuppressionAndKeepOrderDedupeFollowTheFilter) {
  JobChoices c = SingleList();
  c.filter = c.suppress = c.rearrange = c.keepOrderDedupe = true;
  c.filterFileName = "f.txt";
  c.suppressFileName = "s.txt";
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
            "list will be filtered using lines from: f.txt\r\n\r\n"
            "addresses equal to a line of this file will be dropped: s.txt\r\n\r\n"
            "duplicates will be removed, the list's order kept\r\n\r\n");
}

TEST(SummaryTest, TheDuplicatesLineFollowsTheBoxAlone) {
  JobChoices c = SingleList();
  c.removeDuplicatesBox = true;  // rearrange unchecked: the box is disabled but checked
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
            "email duplicates will be removed from the list\r\n\r\n");
  c.removeDuplicatesBox = false;
  c.rearrange = c.sortByEmail = true;
  c.split = true;
  c.splitByCount = false;
  c.splitSize = 1024;
  EXPECT_EQ(BuildSummaryText(c),
            "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
            "list will be sorted alphabetically by email\r\n\r\n"
            "Email list will be splitted , 1 kilobyte(s) in a part\r\n\r\n");
}

TEST(SummaryTest, AMergeListsItsFilesInOrder) {
  JobChoices c;
  c.singleList = false;
  c.filter = true;  // left over from the single-list pages: not shown
  c.mergeFiles = {"a.txt", "b.txt", "c.txt"};
  c.outputFileName = "all.txt";
  EXPECT_EQ(BuildSummaryText(c),
            "We will merge lists\r\n\r\nFiles to merge:\r\na.txt\r\nb.txt\r\nc.txt\r\n"
            "\r\noutput file: all.txt\r\n\r\n");
}

}  // namespace
}  // namespace vantor
