// The wizard's sheet: the page sequence the choices build, the enabling rules and the
// check of the choose-actions page, and the look every page starts with.
#include "wizard/sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <initializer_list>
#include <vector>

#include "tests/wizard/wizard_driver.h"
#include "wizard/choose_items_page.h"
#include "wizard/completion_page.h"
#include "wizard/framework/dialog_builder.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/dialog_units.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/picture.h"
#include "wizard/framework/qt/sheet_dialog.h"
#include "wizard/hyperlink.h"
#include "wizard/single_list_page.h"
#include "wizard/welcome_page.h"

namespace vantor::wizard {
namespace {

using framework::PropertySheet;
using Choose = CChooseItemsPage;

QFont Font(const framework::FontSpec& font) {
  return framework::MakePixelFont(QString::fromStdString(font.family), font.pixelHeight, font.bold);
}

class SheetTest : public test::WizardTest {
 protected:
  CChooseItemsPage& choose() { return *m_sheet->GetChooseItemsPage(); }
  // Clicks a control of the choose-actions page as the user does.
  void Click(int id) { WizardTest::Click(choose(), id); }
  void ClickAll(std::initializer_list<int> ids) {
    for (int id : ids) Click(id);
  }
  bool Enabled(int id) { return framework::qt::Item(choose(), id)->isEnabled(); }
};

TEST_F(SheetTest, StartsWithWelcomeAndChooseActionsOnly) {
  EXPECT_EQ(Sequence(), (std::vector<int>{107, 109}));
  EXPECT_EQ(ActiveId(), 107);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->windowTitle(), "Zelcor Vantor");
  EXPECT_FALSE(Button(PropertySheet::Button::Back)->isEnabled());
  EXPECT_TRUE(Button(PropertySheet::Button::Next)->isEnabled());

  Next();
  EXPECT_EQ(ActiveId(), 109);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->windowTitle(), "Zelcor Vantor - Choose Actions");
  EXPECT_TRUE(Button(PropertySheet::Button::Back)->isEnabled());
  EXPECT_TRUE(Button(PropertySheet::Button::Next)->isEnabled());
  EXPECT_TRUE(m_sheet->IsSingleListChecked());
  for (int id : {Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_INCLUDE,
                 Choose::IDC_EXTRACT, Choose::IDC_SPLIT}) {
    EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(choose().IsDlgButtonChecked(id)) << id;
  }
  EXPECT_FALSE(Enabled(Choose::IDC_REMOVE_DUPLICATES));
  EXPECT_FALSE(m_sheet->IsRemoveDuplicatesChecked());
}

struct SequenceCase {
  const char* name;
  std::vector<int> clicks;
  std::vector<int> pages;  // after the choose-actions page
};

TEST_F(SheetTest, NextOnChooseActionsBuildsThePagesTheChoicesCallFor) {
  const SequenceCase cases[] = {
      {"only split", {Choose::IDC_SPLIT}, {110, 116, 115, 118, 119, 108}},
      {"every action, clicked out of order",
       {Choose::IDC_SPLIT, Choose::IDC_EXTRACT, Choose::IDC_INCLUDE, Choose::IDC_REARRANGE,
        Choose::IDC_FILTER},
       {110, 116, 111, 112, 113, 114, 115, 118, 119, 108}},
      {"filter and include",
       {Choose::IDC_INCLUDE, Choose::IDC_FILTER},
       {110, 116, 111, 113, 118, 119, 108}},
      {"duplicates add no page",
       {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES},
       {110, 116, 112, 118, 119, 108}},
      {"duplicates left checked with rearrange off",
       {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES, Choose::IDC_REARRANGE,
        Choose::IDC_SPLIT},
       {110, 116, 115, 118, 119, 108}},
      {"merge, with action boxes checked before",
       {Choose::IDC_FILTER, Choose::IDC_MERGE},
       {117, 118, 119, 108}},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    NewSheet();
    Next();
    for (int id : c.clicks) Click(id);
    Next();
    std::vector<int> expected{107, 109};
    expected.insert(expected.end(), c.pages.begin(), c.pages.end());
    EXPECT_EQ(Sequence(), expected);
    EXPECT_EQ(ActiveId(), c.pages.front());
    EXPECT_TRUE(m_messages.empty());
  }
}

TEST_F(SheetTest, MergeDisablesTheActionsButKeepsTheirChecks) {
  Next();
  ClickAll({Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES,
            Choose::IDC_SPLIT});
  Click(Choose::IDC_MERGE);
  EXPECT_FALSE(m_sheet->IsSingleListChecked());
  for (int id : {Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_INCLUDE,
                 Choose::IDC_EXTRACT, Choose::IDC_SPLIT, Choose::IDC_REMOVE_DUPLICATES}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  Next();
  EXPECT_EQ(ActiveId(), 117);
  Back();
  ASSERT_EQ(ActiveId(), 109);

  Click(Choose::IDC_SINGLE_LIST);
  EXPECT_FALSE(choose().IsDlgButtonChecked(Choose::IDC_MERGE));
  for (int id : {Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_INCLUDE,
                 Choose::IDC_EXTRACT, Choose::IDC_SPLIT, Choose::IDC_REMOVE_DUPLICATES}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  EXPECT_TRUE(m_sheet->IsFilterChecked());
  EXPECT_TRUE(m_sheet->IsRearrangeChecked());
  EXPECT_TRUE(m_sheet->IsRemoveDuplicatesChecked());
  EXPECT_TRUE(m_sheet->IsSplitChecked());
  EXPECT_FALSE(m_sheet->IsIncludeChecked());
  EXPECT_FALSE(m_sheet->IsExtractChecked());
}

struct EnablingCase {
  const char* name;
  std::vector<int> clicks;
  bool actionsEnabled;
  bool duplicatesEnabled;
  bool duplicatesChecked;  // the box itself; the sheet counts it only while enabled
};

TEST_F(SheetTest, DuplicatesBoxFollowsRearrangeAndTheJobKind) {
  const EnablingCase cases[] = {
      {"rearrange checked", {Choose::IDC_REARRANGE}, true, true, false},
      {"rearrange unchecked again keeps the check",
       {Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES, Choose::IDC_REARRANGE},
       true,
       false,
       true},
      {"merge then single list without rearrange",
       {Choose::IDC_MERGE, Choose::IDC_SINGLE_LIST},
       true,
       false,
       false},
      {"merge then single list with rearrange",
       {Choose::IDC_REARRANGE, Choose::IDC_MERGE, Choose::IDC_SINGLE_LIST},
       true,
       true,
       false},
      {"merge with rearrange", {Choose::IDC_REARRANGE, Choose::IDC_MERGE}, false, false, false},
      {"merge clicked twice stays merge",
       {Choose::IDC_MERGE, Choose::IDC_MERGE},
       false,
       false,
       false},
      {"single list clicked while checked",
       {Choose::IDC_REARRANGE, Choose::IDC_SINGLE_LIST},
       true,
       true,
       false},
  };
  for (const EnablingCase& c : cases) {
    SCOPED_TRACE(c.name);
    NewSheet();
    Next();
    for (int id : c.clicks) Click(id);
    EXPECT_EQ(Enabled(Choose::IDC_FILTER), c.actionsEnabled);
    EXPECT_EQ(Enabled(Choose::IDC_SPLIT), c.actionsEnabled);
    EXPECT_EQ(Enabled(Choose::IDC_REMOVE_DUPLICATES), c.duplicatesEnabled);
    EXPECT_EQ(choose().IsDlgButtonChecked(Choose::IDC_REMOVE_DUPLICATES), c.duplicatesChecked);
    EXPECT_EQ(m_sheet->IsRemoveDuplicatesChecked(), c.duplicatesChecked && c.duplicatesEnabled);
  }
}

TEST_F(SheetTest, NoActionCheckedKeepsTheWizardOnThePage) {
  Next();
  Next();
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, "Please choose at least one action to perform");
  EXPECT_EQ(m_messages[0].caption, "No action checked");
  EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Exclamation);
  EXPECT_EQ(ActiveId(), 109);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(),
            framework::qt::Item(choose(), Choose::IDC_FILTER));
  EXPECT_EQ(Sequence(), (std::vector<int>{107, 109}));
}

TEST_F(SheetTest, ARefusedNextLeavesTheEarlierSequenceAlone) {
  Next();
  Click(Choose::IDC_EXTRACT);
  Next();
  Back();
  Click(Choose::IDC_EXTRACT);
  QPointer<QWidget> inputWindow = framework::qt::Widget(m_sheet->GetSingleListPage()->GetWindow());
  Next();
  EXPECT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(Sequence(), (std::vector<int>{107, 109, 110, 116, 114, 118, 119, 108}));
  EXPECT_NE(inputWindow, nullptr) << "the pages after it were not rebuilt";
}

TEST_F(SheetTest, GoingBackAndForwardAgainKeepsTheLaterPagesEntries) {
  Next();
  Click(Choose::IDC_SPLIT);
  Next();
  CSingleListPage* input = m_sheet->GetSingleListPage();
  ASSERT_EQ(ActiveId(), 110);
  input->SetDlgItemText(CSingleListPage::IDC_INPUT_FILE, "list.txt");
  QPointer<QWidget> before = framework::qt::Widget(input->GetWindow());

  Back();
  EXPECT_EQ(ActiveId(), 109);
  Next();
  EXPECT_EQ(ActiveId(), 110);
  EXPECT_EQ(before, nullptr) << "the page got a new window";
  EXPECT_EQ(input->GetDlgItemText(CSingleListPage::IDC_INPUT_FILE), "list.txt");
}

TEST_F(SheetTest, HeaderPagesShowTheTitleOnAWhiteBandAndTheSharedPicture) {
  Next();
  const QPixmap shared = framework::qt::PixmapOf(choose().GetHeaderPicture());
  ASSERT_FALSE(shared.isNull());
  EXPECT_EQ(shared.size(), framework::qt::Item(choose(), CHeaderPage::IDC_HEADER_PICTURE)->size());

  std::vector<int> checked;
  const auto checkHeader = [&](framework::PropertyPage* page) {
    SCOPED_TRACE(page->GetTemplateId());
    checked.push_back(page->GetTemplateId());
    QWidget* band = framework::qt::Item(*page, CHeaderPage::IDC_HEADER_BAND);
    EXPECT_TRUE(band->autoFillBackground());
    EXPECT_EQ(band->palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::Base));
    EXPECT_FALSE(
        framework::qt::Item(*page, CHeaderPage::IDC_HEADER_SUBTITLE)->autoFillBackground());
    EXPECT_EQ(framework::qt::Item(*page, CHeaderPage::IDC_HEADER_TITLE)->font(),
              Font(CVantorSheet::kTitleFont));
    const QPixmap picture =
        framework::qt::ItemAs<QLabel>(*page, CHeaderPage::IDC_HEADER_PICTURE)->pixmap();
    EXPECT_EQ(picture.cacheKey(), shared.cacheKey());
  };
  checkHeader(&choose());
  ClickAll({Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_INCLUDE, Choose::IDC_EXTRACT,
            Choose::IDC_SPLIT});
  Next();
  // Visited directly: the pages' own checks would stop Next on empty fields. The
  // processing page, last before completion, finds nothing to run, says so in a box the
  // hook answers, and takes the completion page out.
  for (int i = 2; i < m_sheet->GetPageCount() && m_sheet->GetPage(i)->GetTemplateId() != 108; ++i) {
    m_sheet->SetActivePage(i);
    checkHeader(m_sheet->GetActivePage());
  }
  m_sheet->SetActivePage(&choose());
  Click(Choose::IDC_MERGE);
  Next();
  checkHeader(m_sheet->GetActivePage());
  EXPECT_EQ(checked, (std::vector<int>{109, 110, 116, 111, 112, 113, 114, 115, 118, 119, 117}));
}

TEST_F(SheetTest, WelcomeAndCompletionShowTheBigTitleOnWhite) {
  Next();
  Click(Choose::IDC_SPLIT);
  Next();
  m_sheet->SetActivePage(m_sheet->GetCompletionPage());
  for (framework::PropertyPage* page : std::initializer_list<framework::PropertyPage*>{
           m_sheet->GetWelcomePage(), m_sheet->GetCompletionPage()}) {
    SCOPED_TRACE(page->GetTemplateId());
    QWidget* area = framework::qt::Item(*page, CPanelPage::IDC_PANEL_AREA);
    EXPECT_TRUE(area->autoFillBackground());
    EXPECT_EQ(area->palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::Base));
    EXPECT_FALSE(framework::qt::ItemAs<QLabel>(*page, CPanelPage::IDC_PANEL)->pixmap().isNull());
  }
  EXPECT_EQ(framework::qt::Item(*m_sheet->GetWelcomePage(), CWelcomePage::IDC_TITLE)->font(),
            Font(CVantorSheet::kBigTitleFont));
  EXPECT_EQ(framework::qt::Item(*m_sheet->GetCompletionPage(), CCompletionPage::IDC_TITLE)->font(),
            Font(CVantorSheet::kBigTitleFont));
  QWidget* results =
      framework::qt::Item(*m_sheet->GetCompletionPage(), CCompletionPage::IDC_RESULTS);
  EXPECT_EQ(results->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base))
      << "the results box stays white although it is read-only";

  auto* link = dynamic_cast<CHyperLink*>(
      framework::qt::Item(*m_sheet->GetWelcomePage(), CWelcomePage::IDC_LINK));
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->LinkTarget(), QString::fromLatin1(CWelcomePage::kMakerAddress));
  EXPECT_EQ(link->text(), "www.example.com");
}

}  // namespace
}  // namespace vantor::wizard
