// The page operations on a real page window: texts, buttons and radio groups, the focus,
// the list box, the progress bar and the multi-line edit's caret.
#include "wizard/framework/win32/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/wizard/framework/win32/test_page.h"

namespace vantor::framework::win32 {
namespace {

using testing::Notification;
using testing::TestPage;

enum : int { kName = 101, kResults, kOne, kTwo, kThree, kTick, kList, kBar, kGo, kFour, kFive };

// An edit, a read-only text box, a radio group that is a tab stop, a check box, a list, a
// progress bar, a push button and a radio group that is no tab stop.
const DialogTemplate kPage{
    2,
    280,
    170,
    "",
    {
        {kName, ControlKind::Edit, {7, 7, 120, 12}, "", kTabStop | kBorder},
        {kResults, ControlKind::Edit, {7, 24, 120, 40}, "", kMultiLine | kReadOnly | kTabStop},
        {kOne, ControlKind::RadioButton, {140, 7, 60, 10}, "One", kGroup | kTabStop},
        {kTwo, ControlKind::RadioButton, {140, 19, 60, 10}, "Two"},
        {kThree, ControlKind::RadioButton, {140, 31, 60, 10}, "Three"},
        {kTick, ControlKind::CheckBox, {140, 45, 60, 10}, "Tick", kGroup | kTabStop},
        {kList, ControlKind::ListBox, {7, 70, 120, 40}, "", kTabStop | kVScroll},
        {kBar, ControlKind::ProgressBar, {7, 122, 120, 8}, ""},
        {kGo, ControlKind::PushButton, {140, 60, 50, 14}, "&Go", kTabStop},
        {kFour, ControlKind::RadioButton, {140, 80, 60, 10}, "Four", kGroup},
        {kFive, ControlKind::RadioButton, {140, 92, 60, 10}, "Five"},
    },
};

class ControlsTest : public ::testing::Test {
 protected:
  HWND Page() const { return m_page.Page(); }
  bool HasTabStop(int id) const {
    return (GetWindowLongPtrW(m_page.Item(id), GWL_STYLE) & WS_TABSTOP) != 0;
  }
  std::pair<DWORD, DWORD> Selection(int id) const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_page.Item(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  // How often the page heard `code` from `id` since the last call.
  int Heard(int id, int code) {
    const std::vector<Notification> heard = m_page.TakeNotifications();
    return static_cast<int>(std::count(heard.begin(), heard.end(), Notification{id, code}));
  }
  // What Tab does: the dialog manager moves on to the next tab stop.
  void PressTab() { SendMessageW(m_page.Top(), WM_NEXTDLGCTL, 0, FALSE); }

  TestPage m_page{kPage};
};

// Without Tahoma in the Wine prefix, Wine lays dialogs out in another face and every size
// checked against Windows comes out wrong.
TEST_F(ControlsTest, DialogUnitsAreThoseOfWindows) {
  RECT rect{0, 0, 4, 8};
  ASSERT_TRUE(MapDialogRect(Page(), &rect));
  EXPECT_EQ(std::make_pair(rect.right, rect.bottom), std::make_pair(6L, 13L))
      << "dialog base units are not 6x13: is Tahoma in the Wine prefix's Fonts?";
}

TEST_F(ControlsTest, TextsRoundTripInUtf8) {
  std::string longText;  // more than the user may type into an edit
  for (int line = 0; longText.size() < 40000; ++line) {
    longText += "line " + std::to_string(line) + "\r\n";
  }
  const std::string mixed = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x93\xA7";
  const struct {
    int id;
    std::string set;
    std::string got;
    int changes;  // EN_CHANGE sent
  } cases[] = {
      {kName, mixed, mixed, 1},
      {kName, "caf\xE9", "caf\xEF\xBF\xBD", 1},
      {kName, "", "", 1},
      {kResults, "one\ntwo\n\nend", "one\r\ntwo\r\n\r\nend", 0},
      {kResults, "a\r\n" + mixed + "\n", "a\r\n" + mixed + "\r\n", 0},
      {kResults, longText, longText, 0},
      {kTick, "a\nb", "a\nb", 0},  // only a multi-line edit needs CR LF
      {999, "x", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set.substr(0, 20));
    m_page.TakeNotifications();
    SetItemText(Page(), c.id, c.set);
    EXPECT_EQ(GetItemText(Page(), c.id), c.got);
    EXPECT_EQ(Heard(c.id, EN_CHANGE), c.changes);
  }
}

TEST_F(ControlsTest, ChecksKeepOneRadioPerGroupAndTheTabStopOnIt) {
  enum class Do { Check, Uncheck, Click };
  const struct {
    Do action;
    int id;
    std::vector<int> checked;
    int tabStop;  // the radio of the first group with WS_TABSTOP
  } steps[] = {
      {Do::Check, kTwo, {kTwo}, kTwo},
      {Do::Check, kOne, {kOne}, kOne},
      {Do::Check, kFour, {kOne, kFour}, kOne},  // another group
      {Do::Check, kFive, {kOne, kFive}, kOne},
      {Do::Uncheck, kOne, {kFive}, kOne},  // none checked: the group keeps its tab stop
      {Do::Click, kThree, {kThree, kFive}, kThree},
      {Do::Click, kTick, {kThree, kFive, kTick}, kThree},
      {Do::Click, kTick, {kThree, kFive}, kThree},
      {Do::Check, kTick, {kThree, kFive, kTick}, kThree},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(::testing::Message() << "step on " << step.id);
    m_page.TakeNotifications();
    if (step.action == Do::Click) {
      Click(Page(), step.id);
    } else {
      Check(Page(), step.id, step.action == Do::Check);
    }
    for (int id : {kOne, kTwo, kThree, kFour, kFive, kTick}) {
      const auto& checked = step.checked;
      EXPECT_EQ(IsChecked(Page(), id), std::count(checked.begin(), checked.end(), id) == 1) << id;
    }
    for (int id : {kOne, kTwo, kThree}) EXPECT_EQ(HasTabStop(id), id == step.tabStop) << id;
    EXPECT_FALSE(HasTabStop(kFour) || HasTabStop(kFive));
    EXPECT_EQ(Heard(step.id, BN_CLICKED), step.action == Do::Click ? 1 : 0);
  }
  // Tab into the group lands on its checked radio.
  Focus(Page(), kResults);
  PressTab();
  EXPECT_EQ(FocusId(Page()), kThree);

  Enable(Page(), kTick, false);
  EXPECT_FALSE(IsEnabled(Page(), kTick));
  Click(Page(), kTick);  // a disabled button is not clicked
  EXPECT_TRUE(IsChecked(Page(), kTick));
  EXPECT_EQ(Heard(kTick, BN_CLICKED), 0);
}

TEST_F(ControlsTest, FocusSelectsAnEditAndMovesTheDefaultButton) {
  const auto isDefault = [this] {
    return (GetWindowLongPtrW(m_page.Item(kGo), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  Focus(Page(), kGo);
  EXPECT_EQ(FocusId(Page()), kGo);
  EXPECT_TRUE(isDefault());

  SetItemText(Page(), kName, "hello");
  m_page.TakeNotifications();
  Focus(Page(), kName);
  EXPECT_EQ(FocusId(Page()), kName);
  EXPECT_EQ(Selection(kName), std::make_pair(DWORD{0}, DWORD{5}));
  EXPECT_EQ(Heard(kName, EN_SETFOCUS), 1);
  EXPECT_FALSE(isDefault());

  // Disabling the focused control moves the focus on; a disabled one takes none.
  Enable(Page(), kName, false);
  EXPECT_EQ(FocusId(Page()), kResults);
  Focus(Page(), kName);
  EXPECT_EQ(FocusId(Page()), kResults);
  SetFocus(nullptr);
  EXPECT_EQ(FocusId(Page()), kNoId);
}

// Tab selects an edit's whole text, unless the edit keeps its selection.
TEST_F(ControlsTest, KeepSelectionOnTab) {
  SetItemText(Page(), kResults, "first line\nsecond line");
  EXPECT_FALSE(KeepSelectionOnTab(Page(), kList));
  for (bool keep : {false, true}) {
    if (keep) {
      EXPECT_TRUE(KeepSelectionOnTab(Page(), kResults));
    }
    SetCaret(Page(), kResults, 3);
    Focus(Page(), kName);
    PressTab();
    ASSERT_EQ(FocusId(Page()), kResults);
    EXPECT_EQ(Selection(kResults),
              keep ? std::make_pair(DWORD{3}, DWORD{3}) : std::make_pair(DWORD{0}, DWORD{23}));
  }
}

TEST_F(ControlsTest, DropSelectionKeepsTheCaretEndAndScrollsToIt) {
  std::string text;
  for (int line = 0; line < 40; ++line) text += "line " + std::to_string(line) + "\n";
  SetItemText(Page(), kResults, text);
  HWND results = m_page.Item(kResults);
  SetFocus(results);
  const DWORD length = GetWindowTextLengthW(results);
  const struct {
    DWORD from;
    DWORD to;  // where the caret is
  } cases[] = {{2, 5}, {5, 2}, {0, length}, {length, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << ".." << c.to);
    SendMessageW(results, EM_SETSEL, c.from, c.to);
    DropSelection(Page(), kResults);
    EXPECT_EQ(Selection(kResults), std::make_pair(c.to, c.to));
  }
  SetCaret(Page(), kResults, 1 << 30);
  EXPECT_EQ(Selection(kResults), std::make_pair(length, length));
  EXPECT_GT(SendMessageW(results, EM_GETFIRSTVISIBLELINE, 0, 0), 30);
  SendMessageW(results, EM_SETSEL, 0, 1);
  DropSelection(Page(), kResults);
  EXPECT_EQ(SendMessageW(results, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(ControlsTest, ListBoxAndProgressBar) {
  const std::string mixed = "\xC3\xBC \xF0\x9F\x93\xA7";
  EXPECT_EQ(ListAddString(Page(), kList, "alpha"), 0);
  EXPECT_EQ(ListAddString(Page(), kList, mixed), 1);
  EXPECT_EQ(ListGetText(Page(), kList, 1), mixed);
  EXPECT_EQ(ListGetText(Page(), kList, 2), "");
  ListSetCurSel(Page(), kList, 1);
  ListSetCurSel(Page(), kList, 2);  // not there: nothing changes
  EXPECT_EQ(ListGetCurSel(Page(), kList), 1);
  ListSetCurSel(Page(), kList, -1);
  EXPECT_EQ(ListGetCurSel(Page(), kList), -1);
  ListDeleteString(Page(), kList, 0);
  EXPECT_EQ(ListGetCount(Page(), kList), 1);
  EXPECT_EQ(ListGetText(Page(), kList, 0), mixed);
  // A row selected far down is scrolled into view.
  for (int row = 1; row < 60; ++row) ListAddString(Page(), kList, std::to_string(row));
  ListSetCurSel(Page(), kList, 59);
  RECT client;
  RECT item;
  GetClientRect(m_page.Item(kList), &client);
  SendMessageW(m_page.Item(kList), LB_GETITEMRECT, 59, reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
  // Another kind of control answers empty.
  EXPECT_EQ(ListAddString(Page(), kName, "row"), -1);
  EXPECT_EQ(ListGetCount(Page(), kBar), 0);

  SetProgressRange(Page(), kBar, -50, 1000);
  EXPECT_EQ(GetProgressRange(Page(), kBar).low, -50);
  EXPECT_EQ(GetProgressRange(Page(), kBar).high, 1000);
  for (int position : {250, 5000}) {
    SetProgressPos(Page(), kBar, position);
    EXPECT_EQ(GetProgressPos(Page(), kBar), std::min(position, 1000));
  }
  EXPECT_EQ(GetProgressPos(Page(), kList), 0);
}

}  // namespace
}  // namespace vantor::framework::win32
