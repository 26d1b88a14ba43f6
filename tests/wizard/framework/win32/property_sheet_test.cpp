// The property sheet on its Win32 window: pages entering and leaving, moving between them,
// the wizard buttons, Enter, the focus, cancelling, the modal loop, and what the page
// operations add to the control functions (handlers, fonts, fills, pictures, custom
// controls).
#include "wizard/framework/property_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "wizard/framework/property_page.h"
#include "wizard/framework/win32/controls.h"
#include "wizard/framework/win32/custom_control.h"
#include "wizard/framework/win32/picture.h"
#include "wizard/framework/win32/sheet_dialog.h"
// After property_sheet.h, whose PSWIZB_* they define as macros too.
#include <shellapi.h>
#include <shlobj.h>

// windows.h names the A or W functions so; here they are the page's and the sheet's own.
#undef GetDlgItemText
#undef SetDlgItemText
#undef PropertySheet

namespace vantor::framework {
namespace {

using B = PropertySheet::Button;

enum : int { kEdit = 100, kCheck, kRadioA, kRadioB, kList, kLabel, kPanel, kCustom };

DialogTemplate MakeTemplate(int id, const char* caption) {
  return DialogTemplate{
      id,
      120,
      90,
      caption,
      {
          {kLabel, ControlKind::Static, {4, 4, 40, 8}, "Name:"},
          {kEdit, ControlKind::Edit, {4, 14, 80, 12}, "", kBorder | kTabStop},
          {kCheck, ControlKind::CheckBox, {4, 28, 60, 10}, "Check", kTabStop},
          {kRadioA, ControlKind::RadioButton, {4, 40, 30, 10}, "A", kGroup | kTabStop},
          {kRadioB, ControlKind::RadioButton, {40, 40, 30, 10}, "B"},
          {kList, ControlKind::ListBox, {4, 52, 80, 30}, "", kGroup | kTabStop},
      }};
}

// Records what the sheet calls; answers Next, Back and Cancel as told.
class TestPage : public PropertyPage {
 public:
  TestPage(const DialogTemplate& dialogTemplate, std::vector<std::string>* log)
      : PropertyPage(dialogTemplate), m_log(log) {}

  void OnInitDialog() override { Log("init"); }
  void OnDestroy() override { Log("destroy " + GetDlgItemText(kEdit)); }
  void OnSetActive() override {
    Log("active");
    if (buttons >= 0) GetSheet()->SetWizardButtons(static_cast<unsigned>(buttons));
  }
  int OnWizardNext() override { return nextAnswer; }
  int OnWizardBack() override { return backAnswer; }
  bool OnQueryCancel() override { return mayCancel; }
  void OnCancel() override { Log("cancel"); }

  int buttons = -1;  // -1: leave the buttons alone
  int nextAnswer = 0;
  int backAnswer = 0;
  bool mayCancel = true;

 private:
  void Log(const std::string& what) {
    m_log->push_back(std::to_string(GetTemplateId()) + ":" + what);
  }
  std::vector<std::string>* m_log;
};

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() {
    for (int i = 0; i < 3; ++i) m_templates.push_back(MakeTemplate(200 + i, m_captions[i]));
    for (const DialogTemplate& each : m_templates) {
      m_pages.push_back(std::make_unique<TestPage>(each, &m_log));
    }
    NewSheet();
  }
  ~SheetTest() override {
    HWND dialog = Dialog();
    m_sheet.reset();
    EXPECT_FALSE(IsWindow(dialog)) << "the window outlived the sheet";
  }

  void NewSheet() {
    PropertySheet::SetPressGuard(std::chrono::milliseconds(0));
    m_sheet = std::make_unique<PropertySheet>("Sheet");
    for (auto& page : m_pages) m_sheet->AddPage(page.get());
  }
  TestPage& Page(int i) { return *m_pages[i]; }
  HWND Dialog() const { return win32::DialogOf(*m_sheet); }
  HWND Button(B which) const { return win32::ButtonOf(*m_sheet, which); }
  HWND Item(int page, int id) { return GetDlgItem(win32::Window(Page(page).GetWindow()), id); }
  std::string Title() const {
    wchar_t title[64] = {};
    GetWindowTextW(Dialog(), title, 64);
    return std::string(title, title + wcslen(title));
  }
  // A key as the sheet's loop hands it over: to the dialog manager.
  void Key(WPARAM key) {
    MSG message{};
    message.hwnd = GetFocus();
    message.message = WM_KEYDOWN;
    message.wParam = key;
    ASSERT_TRUE(IsDialogMessageW(Dialog(), &message));
  }
  // A click of the left mouse button in the middle of `window`.
  static void MouseClick(HWND window) {
    const LPARAM middle = MAKELPARAM(4, 4);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(window, WM_LBUTTONUP, 0, middle);
  }
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  const char* m_captions[3] = {"First", "Second", "Third"};
  std::vector<DialogTemplate> m_templates;
  std::vector<std::string> m_log;
  std::vector<std::unique_ptr<TestPage>> m_pages;  // outlive the sheet: declared first
  std::unique_ptr<PropertySheet> m_sheet;
};

TEST_F(SheetTest, ShowingActivatesTheFirstPageAndTheTitleFollowsTheCaption) {
  EXPECT_EQ(Title(), "Sheet");
  EXPECT_FALSE(Page(0).GetWindow()) << "a page gets its window when first activated";
  m_sheet->Show();
  EXPECT_TRUE(m_sheet->IsOpen());
  EXPECT_EQ(m_sheet->GetActiveIndex(), 0);
  for (int i : {2, 0, 1}) {
    m_sheet->SetActivePage(i);
    EXPECT_EQ(Title(), m_captions[i]);
    EXPECT_EQ(m_sheet->GetTitle(), m_captions[i]);
    for (int j = 0; j < 3; ++j) {
      if (Page(j).GetWindow()) {
        EXPECT_EQ(IsWindowVisible(win32::Window(Page(j).GetWindow())) != FALSE, i == j) << j;
      }
    }
  }
  EXPECT_EQ(m_log, (std::vector<std::string>{"200:init", "200:active", "202:init", "202:active",
                                             "200:active", "201:init", "201:active"}));
  // The page area holds the page, the buttons sit under it.
  RECT page;
  RECT next;
  GetWindowRect(win32::Window(Page(0).GetWindow()), &page);
  GetWindowRect(Button(B::Next), &next);
  EXPECT_GE(next.top, page.bottom);
  RECT units{0, 0, 120, 90};
  MapDialogRect(Dialog(), &units);
  EXPECT_EQ(page.right - page.left, units.right);
  EXPECT_EQ(page.bottom - page.top, units.bottom);
}

TEST_F(SheetTest, TheButtonRowIsLaidOutInDialogUnits) {
  RECT units{7, 7, 50, 14};
  MapDialogRect(Dialog(), &units);
  RECT rect[4];
  const B buttons[] = {B::Back, B::Next, B::Finish, B::Cancel};
  for (int i = 0; i < 4; ++i) {
    GetWindowRect(Button(buttons[i]), &rect[i]);
    MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&rect[i]), 2);
    EXPECT_EQ(rect[i].right - rect[i].left, units.right) << i;
    EXPECT_EQ(rect[i].bottom - rect[i].top, units.bottom) << i;
  }
  RECT client;
  GetClientRect(Dialog(), &client);
  EXPECT_EQ(rect[0].right, rect[1].left) << "Back and Next touch";
  EXPECT_EQ(rect[1].left, rect[2].left) << "Finish in Next's place";
  EXPECT_EQ(rect[3].left - rect[1].right, units.left) << "a margin before Cancel";
  EXPECT_EQ(client.right - rect[3].right, units.left);
  EXPECT_EQ(client.bottom - rect[3].bottom, units.top);
}

TEST_F(SheetTest, RemovingAPageCallsOnDestroyAndDeletesItsWindowButNotThePage) {
  m_sheet->SetActivePage(2);
  m_sheet->SetActivePage(1);
  HWND window = win32::Window(Page(1).GetWindow());
  Page(1).SetDlgItemText(kEdit, "typed");
  m_log.clear();
  m_sheet->RemovePage(0);
  EXPECT_EQ(m_sheet->GetActiveIndex(), 0) << "the active page keeps its place";
  m_sheet->RemovePage(0);
  EXPECT_EQ(m_log, (std::vector<std::string>{"201:destroy typed"}))
      << "only a page with a window hears of it, while its controls are still there";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(Page(1).GetWindow());
  EXPECT_EQ(m_sheet->GetActiveIndex(), -1);
  EXPECT_EQ(m_sheet->GetPageCount(), 1);

  m_sheet->AddPage(&Page(1));
  m_log.clear();
  ASSERT_TRUE(m_sheet->SetActivePage(&Page(1)));
  EXPECT_EQ(m_log, (std::vector<std::string>{"201:init", "201:active"}));
  EXPECT_EQ(Page(1).GetDlgItemText(kEdit), "") << "a page put back starts from its template";
  m_pages[2].reset();
  EXPECT_EQ(m_sheet->GetPageCount(), 1) << "a page destroyed first leaves the sheet";
}

TEST_F(SheetTest, NextAndBackGoWhereThePageAnswers) {
  const struct {
    const char* name;
    int start;
    bool back;
    int answer;
    int expected;
  } cases[] = {
      {"next to the adjacent page", 0, false, 0, 1},
      {"next stays on -1", 1, false, -1, 1},
      {"next to a template id", 0, false, 202, 2},
      {"next to an unknown id stays", 1, false, 999, 1},
      {"next on the last page stays", 2, false, 0, 2},
      {"back to the adjacent page", 2, true, 0, 1},
      {"back to a template id", 2, true, 200, 0},
      {"back on the first page stays", 0, true, 0, 0},
  };
  m_sheet->Show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_sheet->SetActivePage(c.start);
    Page(c.start).nextAnswer = c.back ? 0 : c.answer;
    Page(c.start).backAnswer = c.back ? c.answer : 0;
    // A real click on the button, as the user's.
    SendMessageW(Button(c.back ? B::Back : B::Next), BM_CLICK, 0, 0);
    EXPECT_EQ(m_sheet->GetActiveIndex(), c.expected);
  }
}

TEST_F(SheetTest, WizardButtonsFollowTheFlagsAndEnterPressesTheOneInNextsPlace) {
  const struct {
    unsigned flags;
    bool back, nextShown, nextEnabled, finishShown;
    int defaultId;
  } cases[] = {
      {PSWIZB_NEXT, false, true, true, false, win32::kNextId},
      {PSWIZB_BACK | PSWIZB_NEXT, true, true, true, false, win32::kNextId},
      {PSWIZB_BACK | PSWIZB_FINISH, true, false, false, true, win32::kFinishId},
      {0, false, true, false, false, win32::kNextId},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    m_sheet->SetWizardButtons(c.flags);
    EXPECT_EQ(m_sheet->IsButtonEnabled(B::Back), c.back);
    EXPECT_EQ(m_sheet->IsButtonShown(B::Next), c.nextShown);
    if (c.nextShown) {
      EXPECT_EQ(m_sheet->IsButtonEnabled(B::Next), c.nextEnabled);
    }
    EXPECT_EQ(m_sheet->IsButtonShown(B::Finish), c.finishShown);
    EXPECT_TRUE(m_sheet->IsButtonEnabled(B::Cancel));
    EXPECT_EQ(LOWORD(SendMessageW(Dialog(), DM_GETDEFID, 0, 0)), c.defaultId);
  }

  Page(0).buttons = PSWIZB_NEXT;
  Page(1).buttons = 0;
  Page(2).buttons = PSWIZB_BACK | PSWIZB_FINISH;
  m_sheet->Show();
  Key(VK_RETURN);
  ASSERT_EQ(m_sheet->GetActiveIndex(), 1);
  Key(VK_RETURN);
  EXPECT_EQ(m_sheet->GetActiveIndex(), 1) << "Next is disabled";
  m_sheet->SetActivePage(2);
  Key(VK_RETURN);
  EXPECT_FALSE(m_sheet->IsOpen());
  EXPECT_EQ(m_sheet->GetResult(), SheetResult::Finished);
  EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "202:cancel"), 0) << "Finish is no cancel";
}

TEST_F(SheetTest, TheNewPageGetsTheFocusOnItsFirstTabStopElseNextElseItself) {
  m_sheet->Show();
  EXPECT_EQ(GetFocus(), Item(0, kEdit));
  Page(0).SetDlgItemText(kEdit, "typed");
  m_sheet->SetActivePage(1);
  m_sheet->SetActivePage(0);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(Item(0, kEdit), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(0UL, 5UL)) << "with its text selected";

  // Tab from the page's last tab stop reaches the sheet's buttons.
  Page(0).GotoDlgCtrl(kList);
  Key(VK_TAB);
  EXPECT_EQ(GetParent(GetFocus()), Dialog());

  // Nothing to focus on the page: Next while enabled, else the page itself, not Cancel.
  for (int id : {kEdit, kCheck, kRadioA, kList}) Page(1).EnableDlgItem(id, false);
  m_sheet->SetActivePage(2);
  m_sheet->SetActivePage(1);
  EXPECT_EQ(GetFocus(), Button(B::Next));
  Page(1).buttons = 0;
  m_sheet->SetActivePage(1);
  EXPECT_EQ(GetFocus(), win32::Window(Page(1).GetWindow()));
  for (WPARAM key : {VK_RETURN, VK_SPACE}) {
    Key(key);
    EXPECT_TRUE(m_sheet->IsOpen());
    EXPECT_EQ(m_sheet->GetActiveIndex(), 1);
  }
}

TEST_F(SheetTest, AMouseClickOnASheetButtonLeavesTheFocusOnThePage) {
  PropertySheet::SetPressGuard(std::chrono::hours(1));
  m_sheet->Show();
  MouseClick(Button(B::Next));
  ASSERT_EQ(m_sheet->GetActiveIndex(), 1);
  EXPECT_EQ(GetFocus(), Item(1, kEdit));
  // The second click of a double click is ignored; the focus stays where it was.
  MouseClick(Button(B::Next));
  EXPECT_EQ(m_sheet->GetActiveIndex(), 1);
  EXPECT_EQ(GetFocus(), Item(1, kEdit));
}

TEST_F(SheetTest, CancelEscAndTheCloseBoxAskTheActivePageThenCancelEveryPageWithAWindow) {
  const char* const ways[] = {"Cancel", "Esc", "close box", "press"};
  for (const char* way : ways) {
    for (bool mayCancel : {false, true}) {
      SCOPED_TRACE(::testing::Message() << way << " " << mayCancel);
      NewSheet();
      m_sheet->Show();
      m_sheet->SetActivePage(2);
      Page(2).mayCancel = mayCancel;
      m_log.clear();
      if (way == ways[0]) {
        SendMessageW(Button(B::Cancel), BM_CLICK, 0, 0);
      } else if (way == ways[1]) {
        Key(VK_ESCAPE);
      } else if (way == ways[2]) {
        SendMessageW(Dialog(), WM_CLOSE, 0, 0);
      } else {
        m_sheet->Press(B::Cancel);
      }
      const std::vector<std::string> cancelled{"200:cancel", "202:cancel"};
      EXPECT_EQ(m_log, mayCancel ? cancelled : std::vector<std::string>());
      EXPECT_EQ(m_sheet->IsOpen(), !mayCancel);
      EXPECT_EQ(m_sheet->GetResult(), mayCancel ? SheetResult::Cancelled : SheetResult::Open);
    }
  }
}

TEST_F(SheetTest, DoModalRunsUntilTheSheetCloses) {
  const struct {
    UINT message;
    WPARAM wParam;
    SheetResult result;
  } cases[] = {
      {WM_COMMAND, MAKEWPARAM(win32::kFinishId, BN_CLICKED), SheetResult::Finished},
      {WM_CLOSE, 0, SheetResult::Cancelled},
      {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), SheetResult::Cancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    NewSheet();
    Page(0).buttons = PSWIZB_FINISH;
    PostMessageW(Dialog(), c.message, c.wParam, 0);
    EXPECT_EQ(m_sheet->DoModal(), c.result);
    EXPECT_FALSE(m_sheet->IsOpen());
  }
}

// The page operations the control functions do not have.
class PageTest : public SheetTest {
 protected:
  void SetUp() override { m_sheet->Show(); }
  TestPage& page() { return Page(0); }
  HWND Window() { return win32::Window(page().GetWindow()); }
};

TEST_F(PageTest, HandlersHearTheirControls) {
  std::vector<std::string> heard;
  const auto note = [&heard](std::string what) {
    return [&heard, what] { heard.push_back(what); };
  };
  page().OnClicked(kCheck, note("check"));
  page().OnClicked(kRadioB, note("b"));
  page().OnTextChanged(kEdit,
                       [&heard](const std::string& text) { heard.push_back("text " + text); });
  page().OnListAdded(kList, [&heard](int row) { heard.push_back("row " + std::to_string(row)); });
  page().OnFocusIn(kCheck, note("focus"));

  SendMessageW(Item(0, kCheck), BM_CLICK, 0, 0);  // focused as it is pressed, then clicked
  page().CheckDlgButton(kCheck, false);           // code: no click
  SendMessageW(Item(0, kRadioB), BM_CLICK, 0, 0);
  page().GotoDlgCtrl(kRadioA);  // an unchecked radio focused: Windows says clicked, it is not
  page().SetDlgItemText(kEdit, "one");
  page().SetDlgItemText(kEdit, "one");  // the same text: no change
  page().ListAddString(kList, "x");
  page().ListAddString(kList, "y");
  page().GotoDlgCtrl(kEdit);
  page().GotoDlgCtrl(kCheck);
  EXPECT_EQ(heard, (std::vector<std::string>{"focus", "check", "b", "text one", "row 0", "row 1",
                                             "focus"}));
}

TEST_F(PageTest, FilesDroppedOnAControlArriveAsUtf8PathsInOrder) {
  std::vector<std::string> got;
  page().OnFilesDropped(kList, [&got](const std::vector<std::string>& files) { got = files; });
  constexpr wchar_t kNames[] = L"C:\\a.txt\0C:\\Gr\u00FC\u00DFe\\b.csv\0";
  const std::wstring names(kNames, std::size(kNames) - 1);
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
  GlobalUnlock(memory);
  SendMessageW(Item(0, kList), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(got, (std::vector<std::string>{"C:\\a.txt",
                                           "C:\\Gr\xC3\xBC\xC3\x9F"
                                           "e\\b.csv"}));
  EXPECT_TRUE(GetWindowLongPtrW(Item(0, kList), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(PageTest, FontsAreMadeOncePerSpecAtTheScreensScale) {
  const FontSpec big{"Tahoma", 20, true};
  page().SetDlgItemFont(kLabel, big);
  page().SetDlgItemFont(kCheck, big);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(Item(0, kLabel), WM_GETFONT, 0, 0));
  EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(Item(0, kCheck), WM_GETFONT, 0, 0)));
  LOGFONTW description{};
  ASSERT_TRUE(GetObjectW(font, sizeof(description), &description));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(description.lfHeight, -MulDiv(20, GetDeviceCaps(screen, LOGPIXELSY), 96));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(description.lfWeight, FW_BOLD);
  page().SetDlgItemFont(kLabel, FontSpec{"Tahoma", 20, false});
  EXPECT_NE(reinterpret_cast<HFONT>(SendMessageW(Item(0, kLabel), WM_GETFONT, 0, 0)), font);
}

TEST_F(PageTest, FillsAnswerTheControlsColourRequests) {
  HDC dc = GetDC(Window());
  const auto brushFor = [&](int id, UINT message) {
    return reinterpret_cast<HBRUSH>(SendMessageW(Window(), message, reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(Item(0, id))));
  };
  EXPECT_NE(brushFor(kLabel, WM_CTLCOLORSTATIC), GetStockObject(NULL_BRUSH))
      << "left to the dialog";
  page().SetDlgItemFill(kLabel, Fill::Transparent);
  EXPECT_EQ(brushFor(kLabel, WM_CTLCOLORSTATIC), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  page().SetDlgItemFill(kLabel, Fill::WindowColour);
  EXPECT_EQ(brushFor(kLabel, WM_CTLCOLORSTATIC), GetSysColorBrush(COLOR_WINDOW));
  page().SetDlgItemFill(kEdit, Fill::Transparent);
  EXPECT_EQ(brushFor(kEdit, WM_CTLCOLOREDIT), GetSysColorBrush(COLOR_WINDOW))
      << "an edit paints its own background";
  ReleaseDC(Window(), dc);
}

TEST_F(PageTest, APictureKeepsItsBitmapWhileAControlShowsIt) {
  const DialogTemplate withPicture{
      210, 100, 80, "Picture", {{kPanel, ControlKind::Picture, {4, 4, 40, 40}, ""}}};
  TestPage pictured(withPicture, &m_log);
  m_sheet->AddPage(&pictured);
  m_sheet->SetActivePage(&pictured);
  HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
  {
    const Picture picture = win32::MakePicture(bitmap);
    pictured.SetDlgItemPicture(kPanel, picture);
  }
  HWND control = GetDlgItem(win32::Window(pictured.GetWindow()), kPanel);
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP)) << "the page holds it";
  EXPECT_NE(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  pictured.SetDlgItemPicture(kPanel, Picture());
  EXPECT_EQ(GetObjectType(bitmap), 0u) << "deleted with its last owner";
  EXPECT_EQ(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

class Custom final : public CustomControl {};

LRESULT CALLBACK CustomProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static Custom custom;
  if (message == WM_NCCREATE) win32::SetCustomControl(window, &custom);
  if (message == WM_NCDESTROY) win32::SetCustomControl(window, nullptr);
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(PageTest, ACustomControlIsFoundThroughItsWindow) {
  WNDCLASSW description{};
  description.lpfnWndProc = CustomProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = L"VantorTestCustom";
  RegisterClassW(&description);
  const DialogTemplate withCustom{
      211,
      100,
      80,
      "Custom",
      {{kCustom, ControlKind::Custom, {4, 4, 40, 40}, "", 0, "VantorTestCustom"},
       {kEdit, ControlKind::Edit, {4, 50, 40, 12}, ""}}};
  TestPage custom(withCustom, &m_log);
  m_sheet->AddPage(&custom);
  m_sheet->SetActivePage(&custom);
  EXPECT_NE(dynamic_cast<Custom*>(custom.GetCustomControl(kCustom)), nullptr);
  EXPECT_EQ(custom.GetCustomControl(kEdit), nullptr);
  EXPECT_EQ(custom.GetCustomControl(999), nullptr);
}

TEST_F(PageTest, HelpersOnAPageWithoutAWindowDoNothing) {
  TestPage& idle = Page(2);
  ASSERT_FALSE(idle.GetWindow());
  idle.SetDlgItemText(kEdit, "x");
  idle.CheckDlgButton(kCheck, true);
  idle.OnClicked(kCheck, [] {});
  idle.SetDlgItemFont(kLabel, FontSpec{"Tahoma", 12, false});
  bool translated = true;
  EXPECT_EQ(idle.GetDlgItemInt(kEdit, &translated), 0u);
  EXPECT_FALSE(translated);
  EXPECT_EQ(idle.ListAddString(kList, "x"), -1);
  EXPECT_EQ(idle.GetDlgItemSize(kEdit), Size{});
  EXPECT_FALSE(idle.HasDlgItem(kEdit));
}

}  // namespace
}  // namespace vantor::framework
