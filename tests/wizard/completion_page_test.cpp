// The completion page after real runs: the results with the duration line, Back to the
// choose-actions page, the results box's focus and Enter there (Finish from one second
// on), and a window made afresh for each run.
#include "wizard/completion_page.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <chrono>

#include "tests/support/fault_env.h"
#include "tests/support/test_files.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/sheet_dialog.h"

namespace vantor::wizard::test {
namespace {

using vantor::testing::TempDir;
using vantor::testing::WriteFile;
using Button = framework::PropertySheet::Button;

class CompletionPageTest : public WizardTest {
 protected:
  // Splits ten addresses into parts of three.
  WizardJob SplitJob() {
    WriteFile(m_dir.File("in.txt"), "a@x\nb@x\nc@x\nd@x\ne@x\nf@x\ng@x\nh@x\ni@x\nj@x\n");
    WizardJob job;
    job.actions = {CChooseItemsPage::IDC_SPLIT};
    job.input = QString::fromStdString(m_dir.File("in.txt"));
    job.output = QString::fromStdString(m_dir.File("out.txt"));
    job.splitSize = QStringLiteral("3");
    return job;
  }

  QPlainTextEdit* Results() {
    return framework::qt::ItemAs<QPlainTextEdit>(completion(), CCompletionPage::IDC_RESULTS);
  }

  void TearDown() override {
    framework::PropertySheet::SetClock({});
    WizardTest::TearDown();
  }

  TempDir m_dir;
  std::chrono::steady_clock::time_point m_now{std::chrono::hours(1)};  // when a test sets it
};

TEST_F(CompletionPageTest, ARunOfNoMillisecondsEndsWithTheBareDurationLine) {
  vantor::testing::FaultEnv env;
  env.SetTick(77);
  processing().SetEnv(&env);
  ASSERT_TRUE(RunJob(SplitJob()));
  ASSERT_EQ(ActiveId(), kCompletion);
  const std::string expected =
      "Split list:\r\nEmail list was splitted into 4 parts\r\n\r\nProcessing has taken \r\n";
  EXPECT_EQ(completion().GetResultsText(), expected);
  EXPECT_EQ(completion().GetDlgItemText(CCompletionPage::IDC_RESULTS), expected);
  EXPECT_EQ(m_sheet->GetLastOutcome().elapsedMs, 0u);
}

TEST_F(CompletionPageTest, TheTextComesFromTheSheetAtEveryActivation) {
  ASSERT_TRUE(RunJob(SplitJob()));
  const std::string results = m_sheet->GetLastOutcome().results;

  m_sheet->SetLastOutcome(
      {.results = results, .elapsedMs = 1050, .completed = true, .fileAtFault = {}});
  completion().OnSetActive();
  EXPECT_EQ(completion().GetResultsText(), results + "Processing has taken 1.05 seconds\r\n");

  const std::string error = "Error occured while processing lists:\r\nfailed to read file";
  m_sheet->SetLastOutcome(
      {.results = error, .elapsedMs = 1050, .completed = false, .fileAtFault = {}});
  completion().OnSetActive();
  EXPECT_EQ(completion().GetResultsText(), error);
  EXPECT_EQ(completion().GetDlgItemText(CCompletionPage::IDC_RESULTS), error);
}

TEST_F(CompletionPageTest, BackLeadsToChooseActionsAndTheNextRunGetsAFreshWindow) {
  ASSERT_TRUE(RunJob(SplitJob()));
  EXPECT_TRUE(Button(Button::Back)->isEnabled());
  EXPECT_TRUE(Button(Button::Finish)->isVisible());
  EXPECT_FALSE(Button(Button::Next)->isVisible());
  QPointer<QWidget> firstWindow = framework::qt::Widget(completion().GetWindow());
  auto* panel = framework::qt::ItemAs<QLabel>(completion(), CPanelPage::IDC_PANEL);
  ASSERT_NE(panel, nullptr);
  const QImage firstPanel = panel->pixmap().toImage();
  EXPECT_FALSE(firstPanel.isNull());

  Back();
  EXPECT_EQ(ActiveId(), kChooseActions);
  ASSERT_TRUE(RunJob(SplitJob(), /*choose=*/false));
  EXPECT_EQ(ActiveId(), kCompletion);
  EXPECT_TRUE(firstWindow.isNull()) << "the window of the first pass was not let go";
  panel = framework::qt::ItemAs<QLabel>(completion(), CPanelPage::IDC_PANEL);
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(panel->pixmap().isNull()) << "the new window has no panel picture";
  EXPECT_EQ(panel->pixmap().toImage(), firstPanel);
  EXPECT_TRUE(completion().GetResultsText().starts_with("Split list:\r\n"));
}

TEST_F(CompletionPageTest, EnterAfterARunStartedWithTheMousePressesFinishFromOneSecondOn) {
  framework::PropertySheet::SetClock([this] { return m_now; });
  ASSERT_TRUE(FillUpToSummary(SplitJob()));
  QTest::mouseClick(Button(Button::Next), Qt::LeftButton);
  ASSERT_TRUE(WaitForRunEnd());
  ASSERT_EQ(ActiveId(), kCompletion);
  Activate();
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), Results());
  for (int ms : {0, 999}) {
    m_now += std::chrono::milliseconds(ms);
    Key(Qt::Key_Return);
    EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible())
        << ms << " ms after the results appeared";
  }
  m_now += std::chrono::milliseconds(1);
  Key(Qt::Key_Return);
  EXPECT_FALSE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Accepted);
}

TEST_F(CompletionPageTest, TheResultsBoxGetsTheFocusWithoutSelectionAndAtTheStart) {
  ASSERT_TRUE(RunJob(SplitJob()));
  std::string many;
  for (int i = 0; i < 200; ++i) many += "line " + std::to_string(i) + " of a long report\r\n";
  m_sheet->SetLastOutcome({.results = many, .completed = true, .fileAtFault = {}});
  completion().OnSetActive();
  QPlainTextEdit* results = Results();
  ASSERT_NE(results, nullptr);
  QApplication::setActiveWindow(framework::qt::DialogOf(*m_sheet));
  ASSERT_TRUE(QTest::qWaitForWindowActive(framework::qt::DialogOf(*m_sheet)));

  Button(Button::Back)->setFocus();
  results->selectAll();
  results->moveCursor(QTextCursor::End, QTextCursor::KeepAnchor);
  results->ensureCursorVisible();
  ASSERT_GT(results->verticalScrollBar()->value(), 0);

  results->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(results->hasFocus());
  EXPECT_FALSE(results->textCursor().hasSelection());
  EXPECT_EQ(results->textCursor().position(), 0);
  EXPECT_EQ(results->verticalScrollBar()->value(), 0);
  EXPECT_EQ(results->horizontalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace vantor::wizard::test
