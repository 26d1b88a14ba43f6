// The property-sheet layer: pages entering and leaving the sheet, moving between them,
// the wizard buttons, cancelling, and the control helpers.
#include "wizard/framework/property_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleHints>
#include <QTest>
#include <QTextDocument>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wizard/framework/property_page.h"
#include "wizard/framework/qt/native.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/sheet_dialog.h"

namespace vantor::framework {
namespace {

enum : int {
  kEdit = 100,
  kCheck = 101,
  kRadioA = 102,
  kRadioB = 103,
  kRadioC = 104,  // starts a group of its own
  kBox = 105,
  kPlain = 106,  // no tab stop
};

DialogTemplate MakeTemplate(int id, const char* caption) {
  return DialogTemplate{
      id,
      100,
      80,
      caption,
      {
          {kNoId, ControlKind::Static, {4, 4, 40, 8}, "Name:"},
          {kEdit, ControlKind::Edit, {4, 14, 80, 12}, "", kBorder | kTabStop},
          {kCheck, ControlKind::CheckBox, {4, 28, 60, 10}, "Check", kTabStop},
          {kRadioA, ControlKind::RadioButton, {4, 40, 30, 10}, "A", kGroup | kTabStop},
          {kRadioB, ControlKind::RadioButton, {40, 40, 30, 10}, "B"},
          {kRadioC, ControlKind::RadioButton, {4, 52, 30, 10}, "C", kGroup | kTabStop},
          {kBox, ControlKind::Edit, {40, 52, 50, 20}, "", kMultiLine | kReadOnly | kTabStop},
          {kPlain, ControlKind::Edit, {4, 64, 30, 12}, "", kBorder},
      }};
}

// Records what the sheet calls; answers Next and Back as told.
class TestPage : public PropertyPage {
 public:
  TestPage(const DialogTemplate& dialogTemplate, std::vector<std::string>* log)
      : PropertyPage(dialogTemplate), m_log(log) {}

  void OnInitDialog() override { Log("init"); }
  void OnDestroy() override { Log(("destroy " + GetDlgItemText(kEdit)).c_str()); }
  void OnSetActive() override {
    Log("active");
    if (buttons >= 0) GetSheet()->SetWizardButtons(static_cast<unsigned>(buttons));
  }
  int OnWizardNext() override { return nextAnswer; }
  int OnWizardBack() override { return backAnswer; }
  void OnCancel() override { Log("cancel"); }

  int buttons = -1;  // -1: leave the buttons alone
  int nextAnswer = 0;
  int backAnswer = 0;

 private:
  void Log(const char* what) { m_log->push_back(std::to_string(GetTemplateId()) + ":" + what); }
  std::vector<std::string>* m_log;
};

class PropertySheetTest : public ::testing::Test {
 protected:
  PropertySheetTest() {
    for (int i = 0; i < 4; ++i) {
      m_templates.push_back(MakeTemplate(200 + i, m_captions[i]));
    }
    for (const DialogTemplate& each : m_templates) {
      m_pages.push_back(std::make_unique<TestPage>(each, &m_log));
    }
    m_sheet = std::make_unique<PropertySheet>("Sheet");
  }

  ~PropertySheetTest() override {
    m_sheet.reset();
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window outlived the sheet";
  }

  void AddAll() {
    for (auto& page : m_pages) m_sheet->AddPage(page.get());
  }
  TestPage& Page(int i) { return *m_pages[i]; }
  QPushButton* Button(PropertySheet::Button which) {
    return framework::qt::ButtonOf(*m_sheet, which);
  }
  void Press(PropertySheet::Button which) { Button(which)->click(); }
  void SendKey(int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(framework::qt::DialogOf(*m_sheet), &press);
  }

  const char* m_captions[4] = {"First", "Second", "Third", "Fourth"};
  std::vector<DialogTemplate> m_templates;
  std::vector<std::string> m_log;
  std::vector<std::unique_ptr<TestPage>> m_pages;  // outlive the sheet: declared first
  std::unique_ptr<PropertySheet> m_sheet;
};

TEST_F(PropertySheetTest, RemovingAPageDeletesItsWindowButNotThePage) {
  AddAll();
  ASSERT_EQ(m_sheet->GetPageCount(), 4);
  ASSERT_TRUE(m_sheet->SetActivePage(3));
  QPointer<QWidget> window = framework::qt::Widget(Page(2).GetWindow());
  EXPECT_EQ(window, nullptr) << "a page gets its window when it is first activated";
  ASSERT_TRUE(m_sheet->SetActivePage(2));
  window = framework::qt::Widget(Page(2).GetWindow());
  ASSERT_NE(window, nullptr);
  Page(2).SetDlgItemText(kEdit, "typed");
  m_log.clear();

  m_sheet->RemovePage(1);
  EXPECT_EQ(m_sheet->GetActiveIndex(), 1) << "the active page keeps its place";
  EXPECT_EQ(m_sheet->GetPage(1), &Page(2));
  m_sheet->RemovePage(1);
  EXPECT_EQ(m_log, (std::vector<std::string>{"202:destroy typed"}))
      << "only a page with a window hears of it, while its controls are still there";
  EXPECT_EQ(window, nullptr);
  EXPECT_FALSE(Page(2).GetWindow());
  EXPECT_EQ(Page(2).GetSheet(), nullptr);
  EXPECT_EQ(Page(2).GetTemplateId(), 202);
  EXPECT_EQ(m_sheet->GetActiveIndex(), -1);
  EXPECT_EQ(m_sheet->GetPageCount(), 2);
  EXPECT_EQ(m_sheet->GetPageIndex(&Page(3)), 1);
  EXPECT_EQ(m_sheet->GetPageIndex(&Page(2)), -1);
  EXPECT_FALSE(m_sheet->SetActivePage(&Page(2)));
}

TEST_F(PropertySheetTest, APagePutBackStartsFromItsTemplateAgain) {
  AddAll();
  ASSERT_TRUE(m_sheet->SetActivePage(1));
  QPointer<QWidget> firstWindow = framework::qt::Widget(Page(1).GetWindow());
  Page(1).SetDlgItemText(kEdit, "typed");
  Page(1).CheckDlgButton(kCheck, true);

  m_sheet->SetActivePage(0);
  m_sheet->RemovePage(1);
  m_sheet->AddPage(&Page(1));
  m_log.clear();
  ASSERT_TRUE(m_sheet->SetActivePage(&Page(1)));

  EXPECT_EQ(firstWindow, nullptr);
  EXPECT_EQ(m_log, (std::vector<std::string>{"201:init", "201:active"}));
  EXPECT_EQ(Page(1).GetDlgItemText(kEdit), "");
  EXPECT_FALSE(Page(1).IsDlgButtonChecked(kCheck));
}

TEST_F(PropertySheetTest, ShowingActivatesTheFirstPageAndTheTitleFollowsTheCaption) {
  AddAll();
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->windowTitle(), "Sheet");
  m_sheet->Show();
  EXPECT_EQ(m_sheet->GetActiveIndex(), 0);
  for (int i : {0, 2, 3, 1}) {
    m_sheet->SetActivePage(i);
    EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->windowTitle(), QString::fromUtf8(m_captions[i]));
  }
  EXPECT_EQ(m_log, (std::vector<std::string>{"200:init", "200:active", "200:active", "202:init",
                                             "202:active", "203:init", "203:active", "201:init",
                                             "201:active"}))
      << "a window is made once, before the page's first activation";
}

struct MoveCase {
  const char* name;
  int start;
  bool back;
  int answer;
  int expected;
};

TEST_F(PropertySheetTest, NextAndBackGoWhereThePageAnswers) {
  const MoveCase cases[] = {
      {"next to the adjacent page", 1, false, 0, 2},
      {"next stays on -1", 1, false, -1, 1},
      {"next to a template id", 0, false, 203, 3},
      {"next to an unknown id stays", 1, false, 999, 1},
      {"next on the last page stays", 3, false, 0, 3},
      {"back to the adjacent page", 2, true, 0, 1},
      {"back stays on -1", 2, true, -1, 2},
      {"back to a template id", 3, true, 201, 1},
      {"back on the first page stays", 0, true, 0, 0},
  };
  AddAll();
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_sheet->SetActivePage(c.start);
    Page(c.start).nextAnswer = c.back ? 0 : c.answer;
    Page(c.start).backAnswer = c.back ? c.answer : 0;
    m_log.clear();
    Press(c.back ? PropertySheet::Button::Back : PropertySheet::Button::Next);
    EXPECT_EQ(m_sheet->GetActiveIndex(), c.expected);
    if (c.expected != c.start) {
      EXPECT_EQ(m_log.back(), std::to_string(200 + c.expected) + ":active");
      EXPECT_EQ(m_log.size(), 1u + (m_log.front().ends_with("init") ? 1u : 0u))
          << "pages in between are not activated";
    } else {
      EXPECT_TRUE(m_log.empty());
    }
  }
}

TEST_F(PropertySheetTest, NextReadsTheIndexAfterThePageRebuiltTheSequence) {
  // A page that replaces the pages after it on Next, as the choice of actions does.
  class RebuildingPage : public TestPage {
   public:
    using TestPage::TestPage;
    std::vector<PropertyPage*> replacement;
    int OnWizardNext() override {
      while (GetSheet()->GetPageCount() > 1) GetSheet()->RemovePage(1);
      for (PropertyPage* page : replacement) GetSheet()->AddPage(page);
      return 0;
    }
  };
  RebuildingPage first(m_templates[0], &m_log);
  m_sheet->AddPage(&first);
  m_sheet->AddPage(&Page(1));
  first.replacement = {&Page(3), &Page(2)};
  m_sheet->SetActivePage(0);
  Press(PropertySheet::Button::Next);
  EXPECT_EQ(m_sheet->GetActivePage(), &Page(3));
  EXPECT_EQ(m_sheet->GetPageCount(), 3);
}

struct ButtonCase {
  unsigned flags;
  bool back, nextShown, nextEnabled, finishShown;
};

TEST_F(PropertySheetTest, WizardButtonsFollowTheFlagsAtOnce) {
  const ButtonCase cases[] = {
      {PSWIZB_NEXT, false, true, true, false},
      {PSWIZB_BACK | PSWIZB_NEXT, true, true, true, false},
      {PSWIZB_BACK | PSWIZB_FINISH, true, false, false, true},
      {PSWIZB_FINISH, false, false, false, true},
      {0, false, true, false, false},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.flags);
    m_sheet->SetWizardButtons(c.flags);
    EXPECT_EQ(Button(PropertySheet::Button::Back)->isEnabled(), c.back);
    EXPECT_EQ(!Button(PropertySheet::Button::Next)->isHidden(), c.nextShown);
    if (c.nextShown) {
      EXPECT_EQ(Button(PropertySheet::Button::Next)->isEnabled(), c.nextEnabled);
    }
    EXPECT_EQ(!Button(PropertySheet::Button::Finish)->isHidden(), c.finishShown);
    if (c.finishShown) {
      EXPECT_TRUE(Button(PropertySheet::Button::Finish)->isEnabled());
    }
    EXPECT_TRUE(Button(PropertySheet::Button::Cancel)->isEnabled());
  }
}

TEST_F(PropertySheetTest, EnterPressesNextOrFinishWhenEnabled) {
  AddAll();
  Page(0).buttons = PSWIZB_NEXT;
  Page(1).buttons = 0;
  Page(2).buttons = PSWIZB_BACK | PSWIZB_FINISH;
  m_sheet->Show();
  SendKey(Qt::Key_Return);
  ASSERT_EQ(m_sheet->GetActiveIndex(), 1);
  SendKey(Qt::Key_Return);
  EXPECT_EQ(m_sheet->GetActiveIndex(), 1) << "Next is disabled";

  m_sheet->SetActivePage(2);
  SendKey(Qt::Key_Enter);
  EXPECT_FALSE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Accepted);
  EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "202:cancel"), 0) << "Finish is no cancel";
}

TEST_F(PropertySheetTest, TheNewPageGetsTheFocusOnItsFirstTabStopEvenFromASheetButton) {
  AddAll();
  m_sheet->Show();
  Page(0).GotoDlgCtrl(kCheck);
  SendKey(Qt::Key_Return);
  ASSERT_EQ(m_sheet->GetActiveIndex(), 1);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(Page(1), kEdit));

  m_sheet->SetActivePage(2);
  Page(2).SetDlgItemText(kEdit, "typed");
  m_sheet->SetActivePage(1);
  QPushButton* next = Button(PropertySheet::Button::Next);
  next->setFocus();
  QTest::keyClick(next, Qt::Key_Space);
  ASSERT_EQ(m_sheet->GetActiveIndex(), 2);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(Page(2), kEdit));
  EXPECT_EQ(framework::qt::ItemAs<QLineEdit>(Page(2), kEdit)->selectedText(), "typed");
}

TEST_F(PropertySheetTest, APageWithNothingToFocusTakesTheFocusItselfWhileNextIsDisabled) {
  const DialogTemplate bare{210, 100, 80, "Busy", {{kNoId, ControlKind::Static, {4, 4, 40, 8}}}};
  TestPage busy(bare, &m_log);
  busy.buttons = 0;
  AddAll();
  m_sheet->AddPage(&busy);
  m_sheet->Show();
  Button(PropertySheet::Button::Next)->setFocus();
  m_sheet->SetActivePage(&busy);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(),
            framework::qt::Widget(busy.GetWindow()))
      << "not Cancel, which Enter would press";
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
    QTest::keyClick(framework::qt::DialogOf(*m_sheet)->focusWidget(), key);
    EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible()) << key;
    EXPECT_EQ(m_sheet->GetActivePage(), &busy) << key;
  }
  EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "210:cancel"), 0);
}

TEST_F(PropertySheetTest, CancelEscAndTheCloseBoxReachOnCancelOfPagesWithAWindow) {
  const char* const ways[] = {"Cancel", "Esc", "close box"};
  for (const char* way : ways) {
    SCOPED_TRACE(way);
    m_sheet = std::make_unique<PropertySheet>("Sheet");
    AddAll();
    m_sheet->Show();
    m_sheet->SetActivePage(2);
    m_log.clear();
    if (way == ways[0]) {
      Press(PropertySheet::Button::Cancel);
    } else if (way == ways[1]) {
      SendKey(Qt::Key_Escape);
    } else {
      framework::qt::DialogOf(*m_sheet)->close();
    }
    EXPECT_EQ(m_log, (std::vector<std::string>{"200:cancel", "202:cancel"}));
    EXPECT_FALSE(framework::qt::DialogOf(*m_sheet)->isVisible());
    EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Rejected);
  }
}

// A fixed clock that the test moves, and the guard at the desktop's double-click interval.
class PressGuardTest : public PropertySheetTest {
 protected:
  void SetUp() override {
    PropertySheet::SetClock([this] { return m_now; });
    PropertySheet::SetPressGuard(std::nullopt);
    m_interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(300);
    Page(1).buttons = PSWIZB_BACK | PSWIZB_NEXT;
    Page(2).buttons = PSWIZB_BACK | PSWIZB_FINISH;
  }
  void TearDown() override {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_interval);
    PropertySheet::SetPressGuard(std::chrono::milliseconds(0));
    PropertySheet::SetClock({});
  }
  void NewSheet() {
    m_sheet = std::make_unique<PropertySheet>("Sheet");
    AddAll();
    m_sheet->Show();
  }
  void Click(PropertySheet::Button which) { QTest::mouseClick(Button(which), Qt::LeftButton); }

  std::chrono::steady_clock::time_point m_now{std::chrono::hours(1)};
  int m_interval = 0;
};

TEST_F(PressGuardTest, ASecondPressOfAButtonWithinTheDoubleClickIntervalIsIgnored) {
  using B = PropertySheet::Button;
  const struct {
    int after;  // ms since the step before
    B button;
    int page;  // the active page after the press; -1: the sheet closed
  } steps[] = {
      {0, B::Next, 1},  // a first press, at once after the first page appeared
      {299, B::Next, 1},  {299, B::Next, 1},  // measured from the ignored press
      {300, B::Next, 2},  {0, B::Back, 1},    // another button
      {299, B::Back, 1},  {1, B::Next, 2},    // 300 ms after the last press of Next
      {0, B::Finish, -1},
  };
  NewSheet();
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    m_now += std::chrono::milliseconds(steps[i].after);
    Click(steps[i].button);
    EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->isVisible() ? m_sheet->GetActiveIndex() : -1,
              steps[i].page);
  }
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Accepted);
}

TEST_F(PressGuardTest, ADoubleClickOnNextMovesOnePage) {
  for (const auto& [guard, after] : {std::pair{0, 2}, std::pair{-1, 1}}) {
    SCOPED_TRACE(guard);
    PropertySheet::SetPressGuard(guard < 0 ? std::nullopt
                                           : std::optional(std::chrono::milliseconds(guard)));
    NewSheet();
    // What the mouse sends: the second press comes as a double click.
    QPushButton* next = Button(PropertySheet::Button::Next);
    QTest::mousePress(next, Qt::LeftButton);
    QTest::mouseRelease(next, Qt::LeftButton);
    QTest::mouseDClick(next, Qt::LeftButton);
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_EQ(m_sheet->GetActiveIndex(), after);
    EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(),
              framework::qt::Item(Page(after), kEdit))
        << "not Next";
  }
}

TEST_F(PropertySheetTest, APageDestroyedFirstLeavesTheSheet) {
  AddAll();
  m_sheet->SetActivePage(1);
  QPointer<QWidget> window = framework::qt::Widget(Page(1).GetWindow());
  m_pages[1].reset();
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(m_sheet->GetPageCount(), 3);
  EXPECT_EQ(m_sheet->GetActiveIndex(), -1);
}

// The control helpers of a page.
class PropertyPageTest : public PropertySheetTest {
 protected:
  void SetUp() override {
    AddAll();
    m_sheet->Show();
    m_sheet->SetActivePage(0);
  }
  TestPage& page() { return Page(0); }
};

TEST_F(PropertyPageTest, ControlsAreMadeInTemplateOrderAndTaggedWithTheirIds) {
  const std::vector<ControlTemplate>& controls = m_templates[0].controls;
  std::vector<QWidget*> made;
  for (QObject* child : framework::qt::Widget(page().GetWindow())->children()) {
    if (child->isWidgetType()) made.push_back(static_cast<QWidget*>(child));
  }
  ASSERT_EQ(made.size(), controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].id != kNoId) {
      EXPECT_EQ(framework::qt::Item(page(), controls[i].id), made[i]);
    }
  }
  EXPECT_NE(framework::qt::ItemAs<QLineEdit>(page(), kEdit), nullptr);
  EXPECT_NE(framework::qt::ItemAs<QCheckBox>(page(), kCheck), nullptr);
  EXPECT_NE(framework::qt::ItemAs<QPlainTextEdit>(page(), kBox), nullptr);
  EXPECT_EQ(framework::qt::Item(page(), 999), nullptr);
}

TEST_F(PropertyPageTest, TabFollowsTemplateOrderAndSkipsControlsWithoutTabStop) {
  QWidget* edit = framework::qt::Item(page(), kEdit);
  EXPECT_EQ(edit->nextInFocusChain(), framework::qt::Item(page(), kCheck));
  EXPECT_EQ(framework::qt::Item(page(), kCheck)->nextInFocusChain(),
            framework::qt::Item(page(), kRadioA));
  EXPECT_FALSE(framework::qt::Item(page(), kPlain)->focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(framework::qt::Item(page(), kBox)->focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), edit)
      << "the first tab stop gets the focus";
}

TEST_F(PropertyPageTest, ARadioGroupIsOneTabStopAtItsCheckedButtonAndArrowsMoveTheCheck) {
  QApplication::setActiveWindow(framework::qt::DialogOf(*m_sheet));
  ASSERT_TRUE(QTest::qWaitForWindowActive(framework::qt::DialogOf(*m_sheet)));
  QWidget* a = framework::qt::Item(page(), kRadioA);
  QWidget* b = framework::qt::Item(page(), kRadioB);
  const auto key = [this](Qt::Key pressed, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(framework::qt::DialogOf(*m_sheet)->focusWidget(), pressed, modifiers);
  };
  page().GotoDlgCtrl(kCheck);
  key(Qt::Key_Tab);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), a) << "with none checked, the first";
  key(Qt::Key_Down);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), b);
  EXPECT_TRUE(page().IsDlgButtonChecked(kRadioB));
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioA));
  key(Qt::Key_Right);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), a) << "round within the group";
  EXPECT_TRUE(page().IsDlgButtonChecked(kRadioA));
  key(Qt::Key_Left);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), b);
  key(Qt::Key_Tab);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(page(), kRadioC))
      << "the next group";
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioC)) << "Tab moves the focus only";
  key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), b)
      << "back into the group at its checked button";
  key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(page(), kCheck));

  page().EnableDlgItem(kRadioA, false);
  page().GotoDlgCtrl(kRadioB);
  key(Qt::Key_Up);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), b)
      << "a disabled button is passed over";
  EXPECT_TRUE(page().IsDlgButtonChecked(kRadioB));
}

TEST_F(PropertyPageTest, RadioButtonsAreExclusiveWithinTheirGroupOnly) {
  framework::qt::ItemAs<QRadioButton>(page(), kRadioA)->click();
  framework::qt::ItemAs<QRadioButton>(page(), kRadioC)->click();
  framework::qt::ItemAs<QRadioButton>(page(), kRadioB)->click();
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioA));
  EXPECT_TRUE(page().IsDlgButtonChecked(kRadioB));
  EXPECT_TRUE(page().IsDlgButtonChecked(kRadioC));

  page().CheckDlgButton(kRadioA, true);
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioB));
  page().CheckDlgButton(kRadioA, false);
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioA)) << "code may leave a group unchecked";
  framework::qt::ItemAs<QRadioButton>(page(), kRadioB)->click();
  framework::qt::ItemAs<QRadioButton>(page(), kRadioA)->click();
  EXPECT_FALSE(page().IsDlgButtonChecked(kRadioB)) << "the group is exclusive again";
}

TEST_F(PropertyPageTest, GetDlgItemIntReadsUnsignedNumbers) {
  const struct {
    const char* text;
    bool translated;
    std::uint32_t value;
  } cases[] = {
      {"12", true, 12},
      {"  7", true, 7},
      {"0", true, 0},
      {"4294967295", true, 4294967295u},
      {"4294967296", false, 0},
      {"", false, 0},
      {"-1", false, 0},
      {"abc", false, 0},
      {"2147483648", true, 2147483648u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    page().SetDlgItemText(kEdit, c.text);
    bool translated = !c.translated;
    EXPECT_EQ(page().GetDlgItemInt(kEdit, &translated), c.value);
    EXPECT_EQ(translated, c.translated);
  }
}

TEST_F(PropertyPageTest, MultiLineTextKeepsCrLfButShowsPlainLineBreaks) {
  // A no-break space and a character beyond the 16-bit range come back as they went in.
  const std::string text =
      "one\xC2\xA0"
      "a\r\ntwo \xF0\x9F\x93\xA7\r\n";
  page().SetDlgItemText(kBox, text);
  const QPlainTextEdit* box = framework::qt::ItemAs<QPlainTextEdit>(page(), kBox);
  EXPECT_EQ(box->document()->blockCount(), 3);
  EXPECT_FALSE(box->toPlainText().contains(QLatin1Char('\r')));
  EXPECT_EQ(page().GetDlgItemText(kBox), text);
}

TEST_F(PropertyPageTest, GotoDlgCtrlFocusesAndSelectsAField) {
  page().SetDlgItemText(kEdit, "name");
  page().GotoDlgCtrl(kCheck);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(page(), kCheck));
  page().GotoDlgCtrl(kEdit);
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->focusWidget(), framework::qt::Item(page(), kEdit));
  EXPECT_EQ(framework::qt::ItemAs<QLineEdit>(page(), kEdit)->selectedText(), "name");
}

TEST_F(PropertyPageTest, HelpersOnAPageWithoutAWindowDoNothing) {
  TestPage& idle = Page(3);
  ASSERT_FALSE(idle.GetWindow());
  idle.SetDlgItemText(kEdit, "x");
  idle.CheckDlgButton(kCheck, true);
  idle.EnableDlgItem(kEdit, false);
  idle.GotoDlgCtrl(kEdit);
  bool translated = true;
  EXPECT_EQ(idle.GetDlgItemInt(kEdit, &translated), 0u);
  EXPECT_FALSE(translated);
  EXPECT_EQ(idle.GetDlgItemText(kEdit), "");
  EXPECT_FALSE(idle.IsDlgButtonChecked(kCheck));
}

}  // namespace
}  // namespace vantor::framework
