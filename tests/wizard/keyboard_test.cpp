// The wizard with the keyboard alone: the job chosen with Tab and the arrows, and the
// focus that Next and Back leave on the new page's first control.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/wizard/wizard_driver.h"

namespace vantor::wizard::test {
namespace {

using Choose = CChooseItemsPage;

class KeyboardTest : public WizardTest {
 protected:
  // The widgets Tab visits from the focus until it comes back to it, that one first.
  std::vector<QWidget*> TabRound() {
    std::vector<QWidget*> visited{framework::qt::DialogOf(*m_sheet)->focusWidget()};
    for (int guard = 0; guard < 30; ++guard) {
      Key(Qt::Key_Tab);
      if (framework::qt::DialogOf(*m_sheet)->focusWidget() == visited.front()) break;
      visited.push_back(framework::qt::DialogOf(*m_sheet)->focusWidget());
    }
    return visited;
  }
  static bool Holds(const std::vector<QWidget*>& widgets, const QWidget* widget) {
    return std::find(widgets.begin(), widgets.end(), widget) != widgets.end();
  }
};

TEST_F(KeyboardTest, TheMergeJobIsChosenWithTabAndTheArrows) {
  Activate();
  Key(Qt::Key_Return);
  ASSERT_EQ(ActiveId(), kChooseActions);
  QWidget* single = framework::qt::Item(Active(), Choose::IDC_SINGLE_LIST);
  QWidget* merge = framework::qt::Item(Active(), Choose::IDC_MERGE);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), single)
      << "the page's first stop, the checked button";

  std::vector<QWidget*> round = TabRound();
  EXPECT_TRUE(Holds(round, framework::qt::Item(Active(), Choose::IDC_FILTER)));
  EXPECT_TRUE(Holds(round, Button(framework::PropertySheet::Button::Cancel)));
  EXPECT_FALSE(Holds(round, merge)) << "one stop for the group";

  Key(Qt::Key_Down);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), merge);
  EXPECT_TRUE(m_sheet->GetChooseItemsPage()->IsDlgButtonChecked(Choose::IDC_MERGE));
  EXPECT_FALSE(Enabled(Choose::IDC_FILTER)) << "as a click on it does";
  round = TabRound();
  EXPECT_TRUE(Holds(round, Button(framework::PropertySheet::Button::Back)));
  EXPECT_FALSE(Holds(round, single));

  Key(Qt::Key_Up);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), single);
  EXPECT_TRUE(Enabled(Choose::IDC_FILTER));
  Key(Qt::Key_Right);
  Key(Qt::Key_Return);
  EXPECT_EQ(ActiveId(), kMerge);
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(KeyboardTest, NextAndBackLeaveTheFocusOnTheNewPagesFirstControl) {
  Start({Choose::IDC_SPLIT});
  Activate();
  ASSERT_EQ(ActiveId(), kInput);
  EXPECT_TRUE(HasFocus(CSingleListPage::IDC_INPUT_FILE));
  QTest::keyClicks(framework::qt::DialogOf(*m_sheet)->focusWidget(), "in.txt");
  Key(Qt::Key_Return);
  ASSERT_EQ(ActiveId(), kOutput);
  EXPECT_TRUE(HasFocus(COutputPage::IDC_OUTPUT_FILE));
  QTest::keyClicks(framework::qt::DialogOf(*m_sheet)->focusWidget(), "out.txt");
  Key(Qt::Key_N, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([this] { return ActiveId() == kSplit; }));
  EXPECT_TRUE(HasFocus(CSplitPage::IDC_SPLIT_BY_COUNT));

  Key(Qt::Key_B, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([this] { return ActiveId() == kOutput; }));
  ASSERT_TRUE(HasFocus(COutputPage::IDC_OUTPUT_FILE));
  EXPECT_EQ(
      framework::qt::ItemAs<QLineEdit>(Active(), COutputPage::IDC_OUTPUT_FILE)->selectedText(),
      QStringLiteral("out.txt"));
  QTest::keyClicks(framework::qt::DialogOf(*m_sheet)->focusWidget(), "new.txt");
  EXPECT_EQ(Text(COutputPage::IDC_OUTPUT_FILE), "new.txt");
  EXPECT_EQ(m_sheet->GetSingleListPage()->GetInputFileName(), "in.txt");
  EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace vantor::wizard::test
