// The summary page: the text it shows for what the earlier pages hold, byte for byte,
// rebuilt on every visit; and its text box's focus rule.
#include "wizard/summary_page.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>
#include <string>

#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/sheet_dialog.h"
#include "wizard/rearrange_page.h"

namespace vantor::wizard::test {
namespace {

using Choose = CChooseItemsPage;
using Include = CIncludePage;
using Rearrange = CRearrangePage;
using Split = CSplitPage;

class SummaryPageTest : public WizardTest {
 protected:
  std::string Summary() const { return m_sheet->GetSummaryPage()->SummaryText(); }
  QPlainTextEdit* Box() const {
    return framework::qt::ItemAs<QPlainTextEdit>(*m_sheet->GetSummaryPage(),
                                                 CSummaryPage::IDC_SUMMARY);
  }
};

struct SummaryCase {
  const char* name;
  std::vector<int> choices;
  PageSteps steps;
  const char* expected;  // UTF-8
};

TEST_F(SummaryPageTest, DescribesTheJobTheEarlierPagesHold) {
  const std::vector<Step> input = {TypeStep(CSingleListPage::IDC_INPUT_FILE, "in.txt")};
  const std::vector<Step> output = {TypeStep(COutputPage::IDC_OUTPUT_FILE, "out.txt")};
  const SummaryCase cases[] = {
      {"the example: by domain, include, split by size",
       {Choose::IDC_REARRANGE, Choose::IDC_INCLUDE, Choose::IDC_SPLIT},
       {{kInput, input},
        {kOutput, output},
        {kRearrange, {ClickStep(Rearrange::IDC_SORT_BY_DOMAIN)}},
        {kInclude,
         {TypeStep(Include::IDC_INCLUDE_EMAIL, "x"), TypeStep(Include::IDC_INCLUDE_PERIOD, "100")}},
        {kSplit,
         {ClickStep(Split::IDC_SPLIT_BY_SIZE), TypeStep(Split::IDC_KILOBYTES_PER_PART, "512")}}},
       "We will process single list\r\n"
       "\r\n"
       "input file: in.txt\r\n"
       "output file: out.txt\r\n"
       "\r\n"
       "list will be sorted alphabetically by domain\r\n"
       "\r\n"
       "email will be included into the list after each 100 email(s): x\r\n"
       "\r\n"
       "Email list will be splitted , 512 kilobyte(s) in a part\r\n"
       "\r\n"},
      {"every action; names and address as the getters give them",
       {Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES,
        Choose::IDC_INCLUDE, Choose::IDC_EXTRACT, Choose::IDC_SPLIT},
       {{kInput, {TypeStep(CSingleListPage::IDC_INPUT_FILE, "  my lists/in put.txt\t")}},
        {kOutput, {TypeStep(COutputPage::IDC_OUTPUT_FILE, " out.txt ")}},
        {kFilter, {TypeStep(CFilterPage::IDC_FILTER_FILE, " filter.txt ")}},
        {kInclude,
         {TypeStep(Include::IDC_INCLUDE_EMAIL, "  a@b.c "),
          TypeStep(Include::IDC_INCLUDE_PERIOD, " 7")}},
        {kExtract, {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, "2147483647")}},
        {kSplit, {TypeStep(Split::IDC_EMAILS_PER_PART, "50000")}}},
       "We will process single list\r\n\r\n"
       "input file: my lists/in put.txt\r\n"
       "output file: out.txt\r\n\r\n"
       "list will be filtered using lines from:  filter.txt \r\n\r\n"
       "list will be sorted alphabetically by email\r\n\r\n"
       "email duplicates will be removed from the list\r\n\r\n"
       "email will be included into the list after each 7 email(s): a@b.c\r\n\r\n"
       "2147483647 random email(s) will be extracted from the list\r\n\r\n"
       "Email list will be splitted , 50000 email(s) in a part\r\n\r\n"},
      // Duplicates go only on a sort: nothing is promised for the box otherwise.
      {"duplicates with randomize",
       {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES},
       {{kInput, input}, {kOutput, output}, {kRearrange, {ClickStep(Rearrange::IDC_RANDOMIZE)}}},
       "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
       "list will be randomized\r\n\r\n"},
      {"duplicates left checked with rearrange off",
       {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES, Choose::IDC_REARRANGE,
        Choose::IDC_EXTRACT},
       {{kInput, input}, {kOutput, output}},
       "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
       "10 random email(s) will be extracted from the list\r\n\r\n"},
      {"randomize without duplicates",
       {Choose::IDC_REARRANGE},
       {{kInput, input}, {kOutput, output}, {kRearrange, {ClickStep(Rearrange::IDC_RANDOMIZE)}}},
       "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
       "list will be randomized\r\n\r\n"},
      {"replace input: the typed output name is not shown",
       {Choose::IDC_EXTRACT},
       {{kInput, input},
        {kOutput,
         {TypeStep(COutputPage::IDC_OUTPUT_FILE, "out.txt"),
          ClickStep(COutputPage::IDC_REPLACE_INPUT)}},
        {kExtract, {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, "10")}}},
       "We will process single list\r\n\r\ninput file: in.txt\r\n"
       "input will be replaced by output\r\n\r\n"
       "10 random email(s) will be extracted from the list\r\n\r\n"},
      {"split by 1 kilobyte",
       {Choose::IDC_SPLIT},
       {{kInput, input},
        {kOutput, output},
        {kSplit,
         {ClickStep(Split::IDC_SPLIT_BY_SIZE), TypeStep(Split::IDC_KILOBYTES_PER_PART, "1")}}},
       "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
       "Email list will be splitted , 1 kilobyte(s) in a part\r\n\r\n"},
      {"names beyond ASCII",
       {Choose::IDC_FILTER},
       {{kInput, {TypeStep(CSingleListPage::IDC_INPUT_FILE, "z\u00e9/\u00e9t\u00e9.txt")}},
        {kOutput, {TypeStep(COutputPage::IDC_OUTPUT_FILE, "\u00a0out.txt")}}},
       "We will process single list\r\n\r\ninput file: z\u00e9/\u00e9t\u00e9.txt\r\n"
       "output file: \u00a0out.txt\r\n\r\n"
       "list will be filtered using lines from: filter.txt\r\n\r\n"},
      {"a merge of three lists",
       {Choose::IDC_MERGE},
       {{kMerge,
         {AddStep("lists/a.txt"), AddStep("lists/b b.txt"), AddStep("lists/a.txt"),
          TypeStep(CMergePage::IDC_OUTPUT_FILE, " all.txt ")}}},
       "We will merge lists\r\n\r\n"
       "Files to merge:\r\n"
       "lists/a.txt\r\n"
       "lists/b b.txt\r\n"
       "lists/a.txt\r\n"
       "\r\n"
       "output file: all.txt\r\n"
       "\r\n"},
  };
  for (const SummaryCase& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.choices);
    WalkTo(kSummary, c.steps);
    const QString expected = QString::fromUtf8(c.expected);
    EXPECT_EQ(Summary(), expected.toStdString());
    // The box shows the lines without a visible CR.
    EXPECT_FALSE(Box()->document()->toRawText().contains(QChar('\r')));
    EXPECT_EQ(Box()->document()->blockCount(), expected.count(QStringLiteral("\r\n")) + 1);
  }
}

TEST_F(SummaryPageTest, ShowsAChangeMadeAfterGoingBack) {
  Start({Choose::IDC_REARRANGE, Choose::IDC_INCLUDE});
  WalkTo(kSummary, {{kInput, {TypeStep(CSingleListPage::IDC_INPUT_FILE, "in.txt")}},
                    {kOutput, {TypeStep(COutputPage::IDC_OUTPUT_FILE, "out.txt")}}});
  const std::string before =
      "We will process single list\r\n\r\ninput file: in.txt\r\noutput file: out.txt\r\n\r\n"
      "list will be sorted alphabetically by email\r\n\r\n"
      "email will be included into the list after each 100 email(s): x@example.com\r\n\r\n";
  EXPECT_EQ(Summary(), before);

  Back();
  ASSERT_EQ(ActiveId(), kInclude);
  Type(Include::IDC_INCLUDE_PERIOD, "250");
  Back();
  ASSERT_EQ(ActiveId(), kRearrange);
  Click(Rearrange::IDC_RANDOMIZE);
  Back();
  Back();
  ASSERT_EQ(ActiveId(), kInput);
  Type(CSingleListPage::IDC_INPUT_FILE, "other.txt");
  for (int i = 0; i < 4; ++i) Next();
  ASSERT_EQ(ActiveId(), kSummary);
  EXPECT_EQ(
      Summary(),
      "We will process single list\r\n\r\ninput file: other.txt\r\noutput file: out.txt\r\n\r\n"
      "list will be randomized\r\n\r\n"
      "email will be included into the list after each 250 email(s): x@example.com\r\n\r\n");

  // Back and Next without a change give the same text again.
  Back();
  Next();
  EXPECT_EQ(ActiveId(), kSummary);
  EXPECT_EQ(Box()->toPlainText().count(QChar('\n')), 9);
}

TEST_F(SummaryPageTest, TheTextIsNotShownSelectedWhenTheBoxGetsTheFocus) {
  Start({Choose::IDC_EXTRACT});
  GoTo(kSummary);
  QApplication::setActiveWindow(framework::qt::DialogOf(*m_sheet));
  QPlainTextEdit* box = Box();
  ASSERT_TRUE(box->focusPolicy() & Qt::TabFocus);

  box->selectAll();
  ASSERT_TRUE(box->textCursor().hasSelection());
  Button(framework::PropertySheet::Button::Back)->setFocus(Qt::TabFocusReason);
  ASSERT_FALSE(box->hasFocus());
  box->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(box->hasFocus());
  EXPECT_FALSE(box->textCursor().hasSelection());
  // The caret stays where the selection ended.
  EXPECT_EQ(box->textCursor().position(), box->document()->characterCount() - 1);
}

}  // namespace
}  // namespace vantor::wizard::test
