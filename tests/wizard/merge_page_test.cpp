// The merge page's list: Add and files dropped on it append in their order, Remove takes
// out the selected entry only, and the getters give the list in that order.
#include "wizard/merge_page.h"

#include <gtest/gtest.h>

#include <QListWidget>

#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"

namespace vantor::wizard::test {
namespace {

using Merge = CMergePage;

class MergePageTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    Start({CChooseItemsPage::IDC_MERGE});
    ASSERT_EQ(ActiveId(), kMerge);
  }

  CMergePage& page() { return *m_sheet->GetMergePage(); }
  QListWidget* list() { return framework::qt::ItemAs<QListWidget>(page(), Merge::IDC_FILE_LIST); }

  void Add(std::optional<std::string> answer) {
    m_dialogAnswers.push_back(std::move(answer));
    Click(Merge::IDC_ADD);
  }
  void AddAll(std::initializer_list<const char*> paths) {
    for (const char* path : paths) Add(path);
  }
  static std::vector<std::string> Strings(const std::vector<const char*>& paths) {
    return {paths.begin(), paths.end()};
  }
  static QStringList Names(const std::vector<const char*>& paths) {
    QStringList names;
    for (const char* path : paths) names.push_back(QString::fromUtf8(path));
    return names;
  }
  // The entries selected in the list box.
  int Selected() { return static_cast<int>(list()->selectedItems().size()); }
};

TEST_F(MergePageTest, AddAppendsEveryChosenFileInTheOrderAdded) {
  EXPECT_TRUE(page().GetMergeFiles().empty());
  AddAll({"/lists/zeta.txt", "/lists/alpha.txt", "/lists/zeta.txt", "/no/such/file"});
  Add(std::nullopt);  // cancelled: nothing added
  EXPECT_EQ(page().GetMergeFiles(),
            Strings({"/lists/zeta.txt", "/lists/alpha.txt", "/lists/zeta.txt", "/no/such/file"}));
  EXPECT_EQ(list()->count(), 4);
  for (const std::string& initial : m_dialogInitialNames) EXPECT_EQ(initial, "");
  EXPECT_EQ(m_dialogStartFolders,
            (std::vector<std::string>{"", "/lists", "/lists", "/lists", "/no/such"}));
  for (framework::NativeWindow owner : m_dialogOwners) EXPECT_EQ(owner, page().GetWindow());

  const JobChoices choices = m_sheet->GetChoices();
  EXPECT_FALSE(choices.singleList);
  EXPECT_EQ(choices.mergeFiles, (std::vector<std::string>{"/lists/zeta.txt", "/lists/alpha.txt",
                                                          "/lists/zeta.txt", "/no/such/file"}));
}

TEST_F(MergePageTest, FilesDroppedOnTheListAreAddedInTheOrderGiven) {
  AddAll({"/a"});
  EXPECT_TRUE(DropFiles(list(), Names({"/lists/zeta.txt", "/a", "/lists/alpha.txt"})));
  EXPECT_EQ(page().GetMergeFiles(), Strings({"/a", "/lists/zeta.txt", "/a", "/lists/alpha.txt"}));
  Add(std::nullopt);
  EXPECT_EQ(m_dialogStartFolders.back(), "/lists") << "the last file dropped";
}

struct RemoveCase {
  const char* name;
  int select;  // row selected before Remove, -1 for none
  std::vector<const char*> left;
};

TEST_F(MergePageTest, RemoveTakesOutTheSelectedEntryOnly) {
  const RemoveCase cases[] = {
      {"nothing selected", -1, {"/a", "/b", "/c"}},
      {"the first", 0, {"/b", "/c"}},
      {"the second", 1, {"/a", "/c"}},
      {"the last", 2, {"/a", "/b"}},
  };
  for (const RemoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    Start({CChooseItemsPage::IDC_MERGE});
    AddAll({"/a", "/b", "/c"});
    if (c.select >= 0) list()->setCurrentRow(c.select);
    Click(Merge::IDC_REMOVE);
    EXPECT_EQ(page().GetMergeFiles(), Strings(c.left));
    EXPECT_EQ(Selected(), 0) << "no entry is selected afterwards";

    // A second Remove finds nothing selected.
    Click(Merge::IDC_REMOVE);
    EXPECT_EQ(page().GetMergeFiles(), Strings(c.left));
  }
}

TEST_F(MergePageTest, RemoveOnAnEmptyListAndAddAfterRemoveKeepTheOrder) {
  Click(Merge::IDC_REMOVE);
  EXPECT_TRUE(page().GetMergeFiles().empty());

  AddAll({"/a", "/b"});
  list()->setCurrentRow(0);
  Click(Merge::IDC_REMOVE);
  AddAll({"/c", "/a"});
  EXPECT_EQ(page().GetMergeFiles(), Strings({"/b", "/c", "/a"}));
}

TEST_F(MergePageTest, OutputNameIsTrimmedAndMayBeOneOfTheLists) {
  AddAll({"in.txt", "in.txt"});
  Type(Merge::IDC_OUTPUT_FILE, "\tin.txt \r");
  EXPECT_EQ(page().GetOutputFileName(), "in.txt");
  Next();
  EXPECT_TRUE(m_messages.empty()) << "an output that is one of the lists is not refused";
  EXPECT_EQ(ActiveId(), kSummary);
  EXPECT_EQ(m_sheet->GetChoices().outputFileName, "in.txt");
}

}  // namespace
}  // namespace vantor::wizard::test
