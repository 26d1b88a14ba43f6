// The pages that ask for file names: what their getters make of the typed text, the
// Browse button and the folder it starts in, files dropped on the fields, and the
// "replace input file" box.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/wizard/wizard_driver.h"
#include "wizard/filter_page.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/merge_page.h"

namespace vantor::wizard::test {
namespace {

using Choose = CChooseItemsPage;

class FileNamePagesTest : public WizardTest {};

struct NameCase {
  const char* typed;
  const char* trimmed;
};

TEST_F(FileNamePagesTest, InputAndOutputNamesLoseTheSixBlanksAtTheirEndsFilterNamesNothing) {
  const NameCase cases[] = {
      {"list.txt", "list.txt"},
      {"  list.txt  ", "list.txt"},
      {"\t\v\f\r\n list.txt\n\r\f\v\t ", "list.txt"},
      {"my lists/week 1.txt", "my lists/week 1.txt"},
      // Blanks outside the six are part of the name.
      {"\u00a0list.txt\u3000", "\u00a0list.txt\u3000"},
      {"\u00e9t\u00e9 \u00e0.txt ", "\u00e9t\u00e9 \u00e0.txt"},
      {" \t ", ""},
  };
  Start({Choose::IDC_FILTER});
  CSingleListPage& input = *m_sheet->GetSingleListPage();
  COutputPage& output = *m_sheet->GetOutputPage();
  CFilterPage& filter = *m_sheet->GetFilterPage();
  GoTo(kFilter);
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.typed);
    const QString typed = QString::fromUtf8(c.typed);
    Type(input, CSingleListPage::IDC_INPUT_FILE, typed);
    Type(output, COutputPage::IDC_OUTPUT_FILE, typed);
    Type(filter, CFilterPage::IDC_FILTER_FILE, typed);
    EXPECT_EQ(input.GetInputFileName(), c.trimmed);
    EXPECT_EQ(output.GetOutputFileName(), c.trimmed);
    EXPECT_EQ(filter.GetFilterFileName(), c.typed);
    const JobChoices choices = m_sheet->GetChoices();
    EXPECT_EQ(choices.inputFileName, c.trimmed);
    EXPECT_EQ(choices.filterFileName, c.typed);
  }
}

struct BrowseCase {
  int page;
  int field;
  int browse;
};

// Every file-name field with its Browse button.
const BrowseCase kFileFields[] = {
    {kInput, CSingleListPage::IDC_INPUT_FILE, CSingleListPage::IDC_BROWSE},
    {kOutput, COutputPage::IDC_OUTPUT_FILE, COutputPage::IDC_BROWSE},
    {kFilter, CFilterPage::IDC_FILTER_FILE, CFilterPage::IDC_BROWSE},
    {kMerge, CMergePage::IDC_OUTPUT_FILE, CMergePage::IDC_BROWSE},
};

TEST_F(FileNamePagesTest, BrowseStartsOnTheFieldsTextAndPutsTheChosenPathThere) {
  for (const BrowseCase& c : kFileFields) {
    SCOPED_TRACE(c.page);
    Start({c.page == kMerge ? Choose::IDC_MERGE : Choose::IDC_FILTER});
    GoTo(c.page);
    m_dialogOwners.clear();
    m_dialogInitialNames.clear();

    Type(c.field, " old name.txt ");
    m_dialogAnswers.push_back("/home/ann/not there yet.txt");
    Click(c.browse);
    EXPECT_EQ(Text(c.field), "/home/ann/not there yet.txt");

    m_dialogAnswers.push_back(std::nullopt);
    Click(c.browse);
    EXPECT_EQ(Text(c.field), "/home/ann/not there yet.txt") << "cancel kept it";

    Type(c.field, "");
    m_dialogAnswers.push_back("/a.txt");
    Click(c.browse);
    EXPECT_EQ(Text(c.field), "/a.txt");

    EXPECT_EQ(m_dialogInitialNames,
              (std::vector<std::string>{" old name.txt ", "/home/ann/not there yet.txt", ""}));
    for (framework::NativeWindow owner : m_dialogOwners) EXPECT_EQ(owner, Active().GetWindow());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(ActiveId(), c.page);
  }
}

TEST_F(FileNamePagesTest, BrowseStartsInTheFolderOfItsFieldsNameElseOfTheLastFileNamed) {
  // Real folders: the pages go on only with a list that can be read and an output that
  // can be written.
  QTemporaryDir root;
  const QString lists = root.filePath(QStringLiteral("lists"));
  const QString out = root.filePath(QStringLiteral("out"));
  ASSERT_TRUE(QDir().mkpath(lists) && QDir().mkpath(out));
  QFile list(lists + QStringLiteral("/in.txt"));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.close();
  Start({Choose::IDC_FILTER});
  m_dialogAnswers = {std::nullopt, (out + QStringLiteral("/result.txt")).toStdString(),
                     std::nullopt, std::nullopt,
                     std::nullopt, std::nullopt};
  Type(CSingleListPage::IDC_INPUT_FILE, QStringLiteral(" ") + lists + QStringLiteral("/in.txt "));
  Click(CSingleListPage::IDC_BROWSE);
  Next();
  Click(COutputPage::IDC_BROWSE);  // empty: where the list typed before is
  Next();
  Click(CFilterPage::IDC_BROWSE);  // where the file chosen before is
  Type(CFilterPage::IDC_FILTER_FILE, "filter.txt");
  Click(CFilterPage::IDC_BROWSE);
  EXPECT_TRUE(DropFiles(framework::qt::Item(Active(), CFilterPage::IDC_FILTER_FILE),
                        {QStringLiteral("/d/e/f.txt")}));
  Back();
  Click(COutputPage::IDC_BROWSE);  // its own name first
  Type(COutputPage::IDC_OUTPUT_FILE, "");
  Click(COutputPage::IDC_BROWSE);  // then the file dropped
  EXPECT_EQ(
      m_dialogStartFolders,
      (std::vector<std::string>{lists.toStdString(), lists.toStdString(), out.toStdString(),
                                QDir::currentPath().toStdString(), out.toStdString(), "/d/e"}));
}

TEST_F(FileNamePagesTest, AFileDroppedOnANameFieldTakesItsPlace) {
  for (const BrowseCase& c : kFileFields) {
    SCOPED_TRACE(c.page);
    Start({c.page == kMerge ? Choose::IDC_MERGE : Choose::IDC_FILTER});
    GoTo(c.page);
    Type(c.field, "old name.txt");
    EXPECT_TRUE(DropFiles(
        framework::qt::Item(Active(), c.field),
        {QStringLiteral("/home/ann/week 1.txt"), QStringLiteral("/home/ann/week 2.txt")}));
    EXPECT_EQ(Text(c.field), "/home/ann/week 1.txt");
  }
}

TEST_F(FileNamePagesTest, ADropIsTakenAsACopyOrALinkNeverAsAMove) {
  const struct {
    Qt::DropActions offered;
    Qt::DropAction taken;
  } cases[] = {
      {Qt::CopyAction | Qt::MoveAction, Qt::CopyAction},
      {Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction},
      {Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
      {Qt::MoveAction, Qt::IgnoreAction},
  };
  Start({Choose::IDC_MERGE});
  QWidget* field = framework::qt::Item(Active(), CMergePage::IDC_OUTPUT_FILE);
  QWidget* list = framework::qt::Item(Active(), CMergePage::IDC_FILE_LIST);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offered.toInt());
    const bool taken = c.taken != Qt::IgnoreAction;
    Type(CMergePage::IDC_OUTPUT_FILE, "old.txt");
    EXPECT_EQ(DropFiles(field, {QStringLiteral("/x/new.txt")}, c.offered), c.taken);
    EXPECT_EQ(Text(CMergePage::IDC_OUTPUT_FILE), taken ? "/x/new.txt" : "old.txt");
    const qsizetype before = m_sheet->GetMergePage()->GetMergeFiles().size();
    EXPECT_EQ(DropFiles(list, {QStringLiteral("/x/a.txt")}, c.offered), c.taken);
    EXPECT_EQ(m_sheet->GetMergePage()->GetMergeFiles().size(), before + (taken ? 1 : 0));
  }
}

TEST_F(FileNamePagesTest, ReplaceInputDisablesTheOutputFieldAndBrowseButKeepsTheText) {
  Start({Choose::IDC_SPLIT});
  GoTo(kOutput);
  COutputPage& output = *m_sheet->GetOutputPage();
  EXPECT_FALSE(output.IsReplaceInputChecked());
  EXPECT_TRUE(Enabled(COutputPage::IDC_OUTPUT_FILE));
  EXPECT_TRUE(Enabled(COutputPage::IDC_BROWSE));

  Type(COutputPage::IDC_OUTPUT_FILE, "result.txt");
  Click(COutputPage::IDC_REPLACE_INPUT);
  EXPECT_TRUE(output.IsReplaceInputChecked());
  EXPECT_FALSE(Enabled(COutputPage::IDC_OUTPUT_FILE));
  EXPECT_FALSE(Enabled(COutputPage::IDC_BROWSE));
  EXPECT_EQ(Text(COutputPage::IDC_OUTPUT_FILE), "result.txt");
  JobChoices choices = m_sheet->GetChoices();
  EXPECT_TRUE(choices.replaceInput);
  EXPECT_EQ(choices.outputFileName, "") << "the job does not use the name then";

  Click(COutputPage::IDC_REPLACE_INPUT);
  EXPECT_FALSE(output.IsReplaceInputChecked());
  EXPECT_TRUE(Enabled(COutputPage::IDC_OUTPUT_FILE));
  EXPECT_TRUE(Enabled(COutputPage::IDC_BROWSE));
  EXPECT_EQ(output.GetOutputFileName(), "result.txt");
  choices = m_sheet->GetChoices();
  EXPECT_FALSE(choices.replaceInput);
  EXPECT_EQ(choices.outputFileName, "result.txt");

  // Checked with an empty field, Next goes on.
  Type(COutputPage::IDC_OUTPUT_FILE, "");
  Click(COutputPage::IDC_REPLACE_INPUT);
  Next();
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(ActiveId(), kSplit);
}

}  // namespace
}  // namespace vantor::wizard::test
