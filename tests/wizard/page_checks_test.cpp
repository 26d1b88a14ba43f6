// The checks the pages make on Next: what each refusal says, where it puts the focus,
// that the wizard stays; and the values at the edges that pass.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QListWidget>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/merge_page.h"
#include "wizard/rearrange_page.h"

namespace vantor::wizard::test {
namespace {

using Choose = CChooseItemsPage;
using Merge = CMergePage;
using Split = CSplitPage;

class PageChecksTest : public WizardTest {
 protected:
  void Reach(const std::vector<int>& clicks, int page) {
    Start(clicks);
    GoTo(page);
  }
};

const std::vector<int> kAllActions = {Choose::IDC_FILTER, Choose::IDC_REARRANGE,
                                      Choose::IDC_INCLUDE, Choose::IDC_EXTRACT, Choose::IDC_SPLIT};

struct RefusalCase {
  const char* name;
  int page;
  std::vector<Step> steps;
  const char* text;
  const char* caption;
  int focus;
};

constexpr char kEnterFilename[] = "Please enter filename";
constexpr char kForgotFilename[] = "You forgot to enter filename";
constexpr char kEnterEmail[] = "Please enter email";
constexpr char kEmailLineBreaks[] = "Please enter email without line breaks";
constexpr char kPeriod[] = "Please enter correct period (number of messages)";
constexpr char kExtractCount[] = "Please enter valid number of emails to extract)";
constexpr char kEmailsPerPart[] = "Please enter valid number of emails per part";
constexpr char kBytesPerPart[] = "Please enter valid number of bytes per part";
constexpr char kTooFewLists[] = "Please specify files to merge (at least 2 files)";
constexpr char kNoOutput[] = "Please specify output filename";

TEST_F(PageChecksTest, InvalidFieldsShowTheirMessageFocusTheFieldAndKeepThePage) {
  const RefusalCase cases[] = {
      {"input untouched",
       kInput,
       {},
       kEnterFilename,
       kForgotFilename,
       CSingleListPage::IDC_INPUT_FILE},
      {"input of blanks only",
       kInput,
       {TypeStep(CSingleListPage::IDC_INPUT_FILE, " \t\v\f\r ")},
       kEnterFilename,
       kForgotFilename,
       CSingleListPage::IDC_INPUT_FILE},
      {"filter untouched",
       kFilter,
       {},
       kEnterFilename,
       kForgotFilename,
       CFilterPage::IDC_FILTER_FILE},
      {"output untouched",
       kOutput,
       {},
       kEnterFilename,
       kForgotFilename,
       COutputPage::IDC_OUTPUT_FILE},
      {"output of blanks only",
       kOutput,
       {TypeStep(COutputPage::IDC_OUTPUT_FILE, "   ")},
       kEnterFilename,
       kForgotFilename,
       COutputPage::IDC_OUTPUT_FILE},
      {"output blank after replace checked and unchecked",
       kOutput,
       {ClickStep(COutputPage::IDC_REPLACE_INPUT), ClickStep(COutputPage::IDC_REPLACE_INPUT)},
       kEnterFilename,
       kForgotFilename,
       COutputPage::IDC_OUTPUT_FILE},
      {"include untouched: the address is reported first",
       kInclude,
       {},
       kEnterEmail,
       "Invalid email",
       CIncludePage::IDC_INCLUDE_EMAIL},
      {"include address of blanks with a good period",
       kInclude,
       {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "  "),
        TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, "5")},
       kEnterEmail,
       "Invalid email",
       CIncludePage::IDC_INCLUDE_EMAIL},
  };
  std::vector<RefusalCase> all(std::begin(cases), std::end(cases));
  // Pasted: the one-line field keeps a CR or LF that comes in that way.
  for (const char* email : {"a@b\nc@d", "a@b\rc@d"}) {
    all.push_back({email,
                   kInclude,
                   {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, email),
                    TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, "5")},
                   kEmailLineBreaks,
                   "Invalid email",
                   CIncludePage::IDC_INCLUDE_EMAIL});
  }
  for (const char* period :
       {"", "0", "-1", "2147483648", "4294967295", "4294967296", "12a", "abc", "1 2", "+5"}) {
    all.push_back({period,
                   kInclude,
                   {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "x"),
                    TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, period)},
                   kPeriod,
                   "Invalid period",
                   CIncludePage::IDC_INCLUDE_PERIOD});
  }
  for (const char* count : {"", "0", "-5", "2147483648", "99999999999", "7x", " "}) {
    all.push_back({count,
                   kExtract,
                   {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, count)},
                   kExtractCount,
                   "Invalid number of emails",
                   CExtractPage::IDC_EXTRACT_COUNT});
  }
  for (const char* count : {"", "0", "2147483648", "-1"}) {
    all.push_back({count,
                   kSplit,
                   {TypeStep(Split::IDC_EMAILS_PER_PART, count)},
                   kEmailsPerPart,
                   "Invalid number of emails",
                   Split::IDC_EMAILS_PER_PART});
  }
  for (const char* kilobytes : {"", "0", "2097152", "4194304", "2147483647", "2147483648"}) {
    all.push_back(
        {kilobytes,
         kSplit,
         {ClickStep(Split::IDC_SPLIT_BY_SIZE), TypeStep(Split::IDC_KILOBYTES_PER_PART, kilobytes)},
         kBytesPerPart,
         "Invalid number of bytes",
         Split::IDC_KILOBYTES_PER_PART});
  }
  all.push_back({"by size, a good count in the other field",
                 kSplit,
                 {TypeStep(Split::IDC_EMAILS_PER_PART, "100"), ClickStep(Split::IDC_SPLIT_BY_SIZE)},
                 kBytesPerPart,
                 "Invalid number of bytes",
                 Split::IDC_KILOBYTES_PER_PART});
  all.push_back(
      {"by count, a good size in the other field",
       kSplit,
       {ClickStep(Split::IDC_SPLIT_BY_SIZE), TypeStep(Split::IDC_KILOBYTES_PER_PART, "64"),
        ClickStep(Split::IDC_SPLIT_BY_COUNT)},
       kEmailsPerPart,
       "Invalid number of emails",
       Split::IDC_EMAILS_PER_PART});

  for (const RefusalCase& c : all) {
    SCOPED_TRACE(::testing::Message() << c.page << " " << c.name);
    Reach(kAllActions, c.page);
    Do(c.steps);
    const std::vector<int> sequence = Sequence();
    Next();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, c.text);
    EXPECT_EQ(m_messages[0].caption, c.caption);
    EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Exclamation);
    EXPECT_EQ(m_messages[0].owner, Active().GetWindow());
    EXPECT_EQ(ActiveId(), c.page);
    EXPECT_EQ(Sequence(), sequence);
    EXPECT_TRUE(HasFocus(c.focus));
  }
}

TEST_F(PageChecksTest, MergePageRefusesFewerThanTwoListsThenAMissingOutputName) {
  const RefusalCase cases[] = {
      {"nothing at all", kMerge, {}, kTooFewLists, "Nothing to merge", Merge::IDC_ADD},
      {"one list and an output name",
       kMerge,
       {AddStep("/lists/a.txt"), TypeStep(Merge::IDC_OUTPUT_FILE, "all.txt")},
       kTooFewLists,
       "Nothing to merge",
       Merge::IDC_ADD},
      {"two lists, one removed again, a third add cancelled",
       kMerge,
       {AddStep("/lists/a.txt"), AddStep("/lists/b.txt"), TypeStep(Merge::IDC_OUTPUT_FILE, "o"),
        SelectStep(1), ClickStep(Merge::IDC_REMOVE), AddStep(nullptr)},
       kTooFewLists,
       "Nothing to merge",
       Merge::IDC_ADD},
      {"two lists, no output name",
       kMerge,
       {AddStep("/lists/a.txt"), AddStep("/lists/b.txt")},
       kNoOutput,
       "Output filename not specified",
       Merge::IDC_OUTPUT_FILE},
      {"the same list twice, an output name of blanks",
       kMerge,
       {AddStep("/lists/a.txt"), AddStep("/lists/a.txt"), TypeStep(Merge::IDC_OUTPUT_FILE, " \t ")},
       kNoOutput,
       "Output filename not specified",
       Merge::IDC_OUTPUT_FILE},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    Reach({Choose::IDC_MERGE}, kMerge);
    Do(c.steps);
    Next();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, c.text);
    EXPECT_EQ(m_messages[0].caption, c.caption);
    EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Exclamation);
    EXPECT_EQ(m_messages[0].owner, Active().GetWindow());
    EXPECT_EQ(ActiveId(), kMerge);
    EXPECT_TRUE(HasFocus(c.focus));
  }
}

struct AcceptCase {
  const char* name;
  int page;
  std::vector<Step> steps;
  std::function<void(const JobChoices&)> expect;
};

TEST_F(PageChecksTest, ValidFieldsLetTheWizardMoveOnWithTheValuesTheGettersGive) {
  const AcceptCase cases[] = {
      {"input with blanks around it",
       kInput,
       {TypeStep(CSingleListPage::IDC_INPUT_FILE, " \t in.txt \r\n")},
       [](const JobChoices& c) { EXPECT_EQ(c.inputFileName, "in.txt"); }},
      {"replace input with an empty output field",
       kOutput,
       {ClickStep(COutputPage::IDC_REPLACE_INPUT)},
       [](const JobChoices& c) { EXPECT_TRUE(c.replaceInput); }},
      {"a filter name with blanks, kept",
       kFilter,
       {TypeStep(CFilterPage::IDC_FILTER_FILE, " filter.txt ")},
       [](const JobChoices& c) { EXPECT_EQ(c.filterFileName, " filter.txt "); }},
      {"rearrange untouched sorts by entire email",
       kRearrange,
       {},
       [](const JobChoices& c) { EXPECT_TRUE(c.sortByEmail); }},
      {"include with blanks around the address and period 1",
       kInclude,
       {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "  a@b.c \t"),
        TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, "1")},
       [](const JobChoices& c) {
         EXPECT_EQ(c.includeEmail, "a@b.c");
         EXPECT_EQ(c.includePeriod, 1);
       }},
      {"include an address without an at sign, the largest period",
       kInclude,
       {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "nobody"),
        TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, "2147483647")},
       [](const JobChoices& c) {
         EXPECT_EQ(c.includeEmail, "nobody");
         EXPECT_EQ(c.includePeriod, 2147483647);
       }},
      {"include period with blanks around the digits",
       kInclude,
       {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "x"),
        TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, " 0042 ")},
       [](const JobChoices& c) { EXPECT_EQ(c.includePeriod, 42); }},
      {"extract the largest count",
       kExtract,
       {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, "2147483647")},
       [](const JobChoices& c) { EXPECT_EQ(c.extractCount, 2147483647); }},
      {"extract 1",
       kExtract,
       {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, "1")},
       [](const JobChoices& c) { EXPECT_EQ(c.extractCount, 1); }},
      {"split the largest count",
       kSplit,
       {TypeStep(Split::IDC_EMAILS_PER_PART, "2147483647")},
       [](const JobChoices& c) {
         EXPECT_TRUE(c.splitByCount);
         EXPECT_EQ(c.splitSize, 2147483647);
       }},
      {"split the largest size",
       kSplit,
       {ClickStep(Split::IDC_SPLIT_BY_SIZE), TypeStep(Split::IDC_KILOBYTES_PER_PART, "2097151")},
       [](const JobChoices& c) {
         EXPECT_FALSE(c.splitByCount);
         EXPECT_EQ(c.splitSize, 2147482624);
       }},
      {"split 1 kilobyte, a bad count in the other field",
       kSplit,
       {TypeStep(Split::IDC_EMAILS_PER_PART, "0"), ClickStep(Split::IDC_SPLIT_BY_SIZE),
        TypeStep(Split::IDC_KILOBYTES_PER_PART, "1")},
       [](const JobChoices& c) { EXPECT_EQ(c.splitSize, 1024); }},
  };
  for (const AcceptCase& c : cases) {
    SCOPED_TRACE(c.name);
    Reach(kAllActions, c.page);
    Do(c.steps);
    Next();
    EXPECT_TRUE(m_messages.empty());
    const std::vector<int> sequence = Sequence();
    const auto at = std::find(sequence.begin(), sequence.end(), c.page);
    ASSERT_NE(at, sequence.end());
    EXPECT_EQ(ActiveId(), *(at + 1));
    c.expect(m_sheet->GetChoices());
  }
}

// The files the pages name, checked on Next: the box names the file and says what is
// wrong with it, the page stays and its field takes the focus.
TEST_F(PageChecksTest, FilesTheJobCannotUseAreRefusedOnThePageThatNamesThem) {
  vantor::testing::TempDir dir;
  vantor::testing::WriteFile(dir.File("in.txt"), "a@example.com\n");
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  const std::string longName = dir.File(std::string(300, 'n') + ".txt");
  // In the box, a name too long for a screen loses its middle.
  const std::string shortened = longName.substr(0, 40) + "\u2026" + std::string(36, 'n') + ".txt";
  struct FileCase {
    const char* name;
    int page;
    int field;
    std::string typed;
    std::string text;  // the file and the reason
    int row = -1;      // the merge list's entry at fault
  };
  const FileCase cases[] = {
      {"missing list", kInput, CSingleListPage::IDC_INPUT_FILE, dir.File("missing.txt"),
       dir.File("missing.txt") + "': No such file or directory"},
      {"a folder as the list", kInput, CSingleListPage::IDC_INPUT_FILE, dir.path(),
       dir.path() + "': not a regular file"},
      {"a list name too long", kInput, CSingleListPage::IDC_INPUT_FILE, longName,
       shortened + "': File name too long"},
      {"output in a missing folder", kOutput, COutputPage::IDC_OUTPUT_FILE,
       dir.File("none/out.txt"), dir.File("none") + "': no such folder"},
      {"a folder as the output", kOutput, COutputPage::IDC_OUTPUT_FILE, dir.File("sub"),
       dir.File("sub") + "': not a regular file"},
      {"an output name too long", kOutput, COutputPage::IDC_OUTPUT_FILE, longName,
       shortened + "': File name too long"},
      {"missing filter file", kFilter, CFilterPage::IDC_FILTER_FILE, dir.File("f.txt"),
       dir.File("f.txt") + "': No such file or directory"},
      {"a missing list to merge", kMerge, Merge::IDC_FILE_LIST, dir.File("gone.txt"),
       dir.File("gone.txt") + "': No such file or directory", 1},
      {"a folder as the merge's output", kMerge, Merge::IDC_OUTPUT_FILE, dir.File("sub"),
       dir.File("sub") + "': not a regular file"},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString typed = QString::fromStdString(c.typed);
    if (c.page == kMerge) {
      Reach({Choose::IDC_MERGE}, kMerge);
      const bool list = c.field == Merge::IDC_FILE_LIST;
      Active().ListAddString(Merge::IDC_FILE_LIST, dir.File("in.txt"));
      Active().ListAddString(Merge::IDC_FILE_LIST, list ? c.typed : "in.txt");
      Type(Merge::IDC_OUTPUT_FILE, list ? QStringLiteral("out.txt") : typed);
    } else {
      Reach({Choose::IDC_FILTER, Choose::IDC_SPLIT}, c.page);
      Type(c.field, typed);
    }
    Next();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "'" + c.text);
    EXPECT_EQ(m_messages[0].caption, "File cannot be used");
    EXPECT_EQ(m_messages[0].owner, Active().GetWindow());
    EXPECT_EQ(ActiveId(), c.page);
    EXPECT_TRUE(HasFocus(c.field));
    if (c.row >= 0) {
      EXPECT_EQ(framework::qt::ItemAs<QListWidget>(Active(), c.field)->currentRow(), c.row);
    }
  }
}

// The summary's Next checks the whole job again: a file changed since its page, or one a
// later choice concerns, takes the wizard back to the field that names it.
TEST_F(PageChecksTest, TheSummaryTakesTheWizardBackToTheFieldOfAFileThatWillNotDo) {
  vantor::testing::TempDir dir;
  vantor::testing::WriteFile(dir.File("in.txt"), "a@example.com\n");
  vantor::testing::WriteFile(dir.File("f1.txt"), "zeta\n");
  Start({Choose::IDC_FILTER, Choose::IDC_SPLIT});
  WalkTo(kSummary,
         {{kInput, {TypeStep(CSingleListPage::IDC_INPUT_FILE, dir.File("in.txt").c_str())}},
          {kOutput, {TypeStep(COutputPage::IDC_OUTPUT_FILE, dir.File("f.txt").c_str())}},
          {kFilter, {TypeStep(CFilterPage::IDC_FILTER_FILE, dir.File("f1.txt").c_str())}}});
  Next();
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text,
            "'" + dir.File("f1.txt") + "': split part would overwrite the filter file");
  EXPECT_EQ(m_messages[0].activePage, kOutput);
  EXPECT_EQ(ActiveId(), kOutput);
  EXPECT_TRUE(HasFocus(COutputPage::IDC_OUTPUT_FILE));

  m_messages.clear();
  Type(COutputPage::IDC_OUTPUT_FILE, QString::fromStdString(dir.File("part.txt")));
  while (ActiveId() != kSummary) Next();
  ASSERT_TRUE(m_messages.empty());
  ASSERT_EQ(::unlink(dir.File("in.txt").c_str()), 0);
  Next();
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, "'" + dir.File("in.txt") + "': No such file or directory");
  EXPECT_EQ(ActiveId(), kInput);
  EXPECT_TRUE(HasFocus(CSingleListPage::IDC_INPUT_FILE));
}

// What a page shows when it has just been made.
void ExpectFreshPage(const framework::PropertyPage& page) {
  SCOPED_TRACE(page.GetTemplateId());
  const auto empty = [&page](int id) { EXPECT_EQ(page.GetDlgItemText(id), "") << id; };
  const auto enabled = [&page](int id) { return framework::qt::Item(page, id)->isEnabled(); };
  switch (page.GetTemplateId()) {
    case kInput:
      empty(CSingleListPage::IDC_INPUT_FILE);
      break;
    case kOutput:
      empty(COutputPage::IDC_OUTPUT_FILE);
      EXPECT_FALSE(page.IsDlgButtonChecked(COutputPage::IDC_REPLACE_INPUT));
      EXPECT_TRUE(enabled(COutputPage::IDC_OUTPUT_FILE));
      EXPECT_TRUE(enabled(COutputPage::IDC_BROWSE));
      break;
    case kFilter:
      empty(CFilterPage::IDC_FILTER_FILE);
      break;
    case kRearrange:
      EXPECT_TRUE(page.IsDlgButtonChecked(CRearrangePage::IDC_SORT_BY_EMAIL));
      EXPECT_FALSE(page.IsDlgButtonChecked(CRearrangePage::IDC_SORT_BY_DOMAIN));
      EXPECT_FALSE(page.IsDlgButtonChecked(CRearrangePage::IDC_RANDOMIZE));
      break;
    case kInclude:
      empty(CIncludePage::IDC_INCLUDE_EMAIL);
      empty(CIncludePage::IDC_INCLUDE_PERIOD);
      break;
    case kExtract:
      empty(CExtractPage::IDC_EXTRACT_COUNT);
      break;
    case kSplit:
      EXPECT_TRUE(page.IsDlgButtonChecked(Split::IDC_SPLIT_BY_COUNT));
      EXPECT_FALSE(page.IsDlgButtonChecked(Split::IDC_SPLIT_BY_SIZE));
      empty(Split::IDC_EMAILS_PER_PART);
      empty(Split::IDC_KILOBYTES_PER_PART);
      EXPECT_TRUE(enabled(Split::IDC_EMAILS_PER_PART));
      EXPECT_FALSE(enabled(Split::IDC_KILOBYTES_PER_PART));
      break;
    case kMerge:
      EXPECT_EQ(framework::qt::ItemAs<QListWidget>(page, Merge::IDC_FILE_LIST)->count(), 0);
      empty(Merge::IDC_OUTPUT_FILE);
      break;
    default:
      ADD_FAILURE() << "not a page of the job";
  }
}

TEST_F(PageChecksTest, DuplicatesLeftCheckedWithRearrangeOffAreNoAction) {
  Next();
  for (int id : {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES, Choose::IDC_REARRANGE}) {
    MouseClick(id);
  }
  ASSERT_TRUE(m_sheet->GetChooseItemsPage()->IsDlgButtonChecked(Choose::IDC_REMOVE_DUPLICATES));
  ASSERT_FALSE(Enabled(Choose::IDC_REMOVE_DUPLICATES));
  MouseClick(Button(framework::PropertySheet::Button::Next));
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].caption, "No action checked");
  EXPECT_EQ(ActiveId(), kChooseActions);
  EXPECT_TRUE(HasFocus(Choose::IDC_FILTER));
}

// Every control of the page with an id, as the user sees it: texts, checks, list
// entries, and whether it is enabled.
std::vector<std::string> Entries(const framework::PropertyPage& page) {
  std::vector<std::string> entries;
  for (const framework::ControlTemplate& control : page.GetTemplate().controls) {
    if (control.id == framework::kNoId) continue;
    QString entry = QString::number(control.id) +
                    (framework::qt::Item(page, control.id)->isEnabled() ? QStringLiteral(" on ")
                                                                        : QStringLiteral(" off "));
    if (const auto* list = framework::qt::ItemAs<QListWidget>(page, control.id)) {
      for (int row = 0; row < list->count(); ++row) entry += list->item(row)->text() + '|';
    } else if (framework::qt::ItemAs<QAbstractButton>(page, control.id) != nullptr) {
      entry += page.IsDlgButtonChecked(control.id) ? QStringLiteral("checked") : QString();
    } else {
      entry += QString::fromStdString(page.GetDlgItemText(control.id));
    }
    entries.push_back(entry.toStdString());
  }
  return entries;
}

TEST_F(PageChecksTest, BackToChooseActionsAndNextAgainKeepsEveryEntry) {
  std::vector<int> choices = kAllActions;
  choices.push_back(Choose::IDC_REMOVE_DUPLICATES);
  Start(choices);
  // Values no page starts with, on every page.
  const PageSteps steps = {
      {kInput, {TypeStep(CSingleListPage::IDC_INPUT_FILE, "in.txt")}},
      {kOutput,
       {TypeStep(COutputPage::IDC_OUTPUT_FILE, "out.txt"),
        ClickStep(COutputPage::IDC_REPLACE_INPUT)}},
      {kFilter, {TypeStep(CFilterPage::IDC_FILTER_FILE, " filter.txt")}},
      {kRearrange, {ClickStep(CRearrangePage::IDC_RANDOMIZE)}},
      {kInclude,
       {TypeStep(CIncludePage::IDC_INCLUDE_EMAIL, "x@example.com"),
        TypeStep(CIncludePage::IDC_INCLUDE_PERIOD, "2000")}},
      {kExtract, {TypeStep(CExtractPage::IDC_EXTRACT_COUNT, "10")}},
      {kSplit,
       {TypeStep(Split::IDC_EMAILS_PER_PART, "9"), ClickStep(Split::IDC_SPLIT_BY_SIZE),
        TypeStep(Split::IDC_KILOBYTES_PER_PART, "64")}}};
  const std::vector<int> pages = {kInput, kOutput, kFilter, kRearrange, kInclude, kExtract, kSplit};
  std::map<int, std::vector<std::string>> filled;
  for (int page : pages) {
    ASSERT_EQ(ActiveId(), page);
    ExpectFreshPage(Active());
    Do(steps.at(page));
    filled[page] = Entries(Active());
    Next();
  }
  ASSERT_EQ(ActiveId(), kSummary);
  const JobChoices first = m_sheet->GetChoices();

  // Round after round, the pages shown are those chosen, each as it was left; filter and
  // split, left out of the second round, come back in the third with their entries.
  for (const bool all : {true, false, true}) {
    SCOPED_TRACE(all ? "all actions" : "filter and split left out");
    while (ActiveId() != kChooseActions) Back();
    if (all != m_sheet->IsFilterChecked()) {
      for (int id : {Choose::IDC_FILTER, Choose::IDC_SPLIT}) Click(id);
    }
    QPointer<QWidget> oldInput = framework::qt::Widget(m_sheet->GetSingleListPage()->GetWindow());
    Next();
    EXPECT_EQ(oldInput, nullptr) << "the pages were rebuilt";
    for (int page : pages) {
      if (!all && (page == kFilter || page == kSplit)) continue;
      ASSERT_EQ(ActiveId(), page);
      EXPECT_EQ(Entries(Active()), filled[page]) << page;
      Next();
    }
    ASSERT_EQ(ActiveId(), kSummary);
    EXPECT_TRUE(m_messages.empty());
  }
  const JobChoices again = m_sheet->GetChoices();
  EXPECT_EQ(again.inputFileName, first.inputFileName);
  EXPECT_TRUE(again.replaceInput);
  EXPECT_EQ(again.filterFileName, " filter.txt");
  EXPECT_FALSE(again.sortByEmail || again.sortByDomain);
  EXPECT_FALSE(again.removeDuplicatesBox) << "no duplicates on a randomize";
  EXPECT_EQ(again.includeEmail, first.includeEmail);
  EXPECT_EQ(again.includePeriod, 2000);
  EXPECT_EQ(again.extractCount, 10);
  EXPECT_FALSE(again.splitByCount);
  EXPECT_EQ(again.splitSize, 64 * 1024);

  // The merge page keeps its lists and output too, also across a single-list job.
  Reach({Choose::IDC_MERGE}, kMerge);
  ExpectFreshPage(Active());
  Do({AddStep("in.txt"), AddStep("lists/a.txt"), AddStep("other.txt"),
      TypeStep(Merge::IDC_OUTPUT_FILE, "all.txt")});
  Next();
  ASSERT_EQ(ActiveId(), kSummary);
  Back();
  Back();
  ASSERT_EQ(ActiveId(), kChooseActions);
  for (int id : {Choose::IDC_SINGLE_LIST, Choose::IDC_EXTRACT}) Click(id);
  Next();
  ASSERT_EQ(ActiveId(), kInput);
  Back();
  Click(Choose::IDC_MERGE);
  Next();
  ASSERT_EQ(ActiveId(), kMerge);
  EXPECT_EQ(m_sheet->GetMergePage()->GetMergeFiles(),
            (std::vector<std::string>{"in.txt", "lists/a.txt", "other.txt"}));
  EXPECT_EQ(Text(Merge::IDC_OUTPUT_FILE), "all.txt");
  Next();
  EXPECT_EQ(ActiveId(), kSummary);
  EXPECT_EQ(m_sheet->GetChoices().mergeFiles,
            (std::vector<std::string>{"in.txt", "lists/a.txt", "other.txt"}));
}

}  // namespace
}  // namespace vantor::wizard::test
