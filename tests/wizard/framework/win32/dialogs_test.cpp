// The system's dialogs behind the dialog hooks, answered by timers that run inside their
// own message loops: the message box's buttons, owner and caption and closing it by code,
// and the file dialog's start folder and the name it gives back.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/wizard/framework/win32/test_page.h"
// windows.h first: commdlg.h needs its types.
#include <commdlg.h>
// commdlg.h names the A or W function GetOpenFileName; here it is the backend's.
#undef GetOpenFileName

#include "wizard/framework/backend.h"
#include "wizard/framework/win32/text.h"

namespace vantor::framework {
namespace {

using testing::TestPage;

const DialogTemplate kPage{
    2, 200, 100, "", {{101, ControlKind::PushButton, {7, 7, 50, 14}, "&Go"}}};

// The thread's owned dialog window (#32770) whose caption starts with `prefix`, or nullptr.
HWND FindDialog(const std::wstring& prefix) {
  std::pair<std::wstring, HWND> search{prefix, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& [prefix, found] = *reinterpret_cast<std::pair<std::wstring, HWND>*>(data);
        wchar_t name[16];
        std::wstring caption(256, L'\0');
        caption.resize(GetWindowTextW(window, caption.data(), 256));
        if (GetClassNameW(window, name, 16) == 0 || std::wstring_view(name) != L"#32770" ||
            GetWindow(window, GW_OWNER) == nullptr || caption.rfind(prefix, 0) != 0) {
          return TRUE;
        }
        found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// What the timers saw. Timer procedures get no data of their own: one dialog is up at a time.
struct Seen {
  NativeWindow owner;  // the box's; the boxes of `owner`'s sheet are closed first
  HWND box = nullptr;
  HWND boxOwner = nullptr;
  std::vector<int> buttons;
  int defaultButton = 0;
  bool closedByOwner = false;
  std::wstring folder;  // of the file dialog
};
Seen seen;

const std::string kCaption = "Box \xF0\x9F\x93\xA7";

void CALLBACK FindBoxThenCloseOthers(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  seen.box = FindDialog(win32::Widen(kCaption));
  if (seen.box == nullptr) return;
  seen.boxOwner = GetWindow(seen.box, GW_OWNER);
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    if (HWND button = GetDlgItem(seen.box, id)) {
      seen.buttons.push_back(id);
      if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        seen.defaultButton = id;
      }
    }
  }
  backend::CloseMessageBoxes(NativeWindow{seen.boxOwner});
}

// Runs only while the box is still up.
void CALLBACK CloseOwnBoxes(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  seen.closedByOwner = true;
  backend::CloseMessageBoxes(seen.owner);
}

// Should all else fail: Yes, which no case expects, rather than a test that hangs.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (seen.box != nullptr && IsWindow(seen.box)) EndDialog(seen.box, IDYES);
}

TEST(DialogsTest, CloseMessageBoxesAnswersTheOwnersBoxes) {
  TestPage page(kPage);
  const struct {
    MessageButtons kind;
    MessageIcon icon;
    MessageAnswer answer;
    std::vector<int> buttons;
    int defaultButton;
  } cases[] = {
      {MessageButtons::YesNo, MessageIcon::Question, MessageAnswer::No, {IDYES, IDNO}, IDNO},
      {MessageButtons::Ok, MessageIcon::Stop, MessageAnswer::Ok, {IDOK}, IDOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.defaultButton);
    seen = Seen{};
    seen.owner = NativeWindow{page.Page()};
    const UINT_PTR timers[] = {SetTimer(nullptr, 0, 20, FindBoxThenCloseOthers),
                               SetTimer(nullptr, 0, 100, CloseOwnBoxes),
                               SetTimer(nullptr, 0, 10000, Watchdog)};
    EXPECT_EQ(backend::ShowMessageBox(seen.owner, "Stop?", kCaption, c.icon, c.kind), c.answer);
    for (UINT_PTR timer : timers) KillTimer(nullptr, timer);
    EXPECT_TRUE(seen.closedByOwner);
    EXPECT_EQ(seen.buttons, c.buttons);
    EXPECT_EQ(seen.defaultButton, c.defaultButton);
    EXPECT_EQ(seen.boxOwner, page.Top());  // the page's top-level window
    EXPECT_TRUE(IsWindowEnabled(page.Top()));
  }
}

void CALLBACK AcceptFileDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND dialog = FindDialog(L"");
  if (dialog == nullptr) return;
  seen.folder.assign(MAX_PATH, L'\0');
  const LRESULT length = SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH,
                                      reinterpret_cast<LPARAM>(seen.folder.data()));
  seen.folder.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST(DialogsTest, FileDialogOpensInTheFolderAndGivesANameThatNeedNotExist) {
  TestPage page(kPage);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = win32::Narrow(temp) + "vantor \xC3\xBC\xF0\x9F\x93\xA7";
  CreateDirectoryW(win32::Widen(folder).c_str(), nullptr);
  seen = Seen{};
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, AcceptFileDialog);
  const std::optional<std::string> chosen =
      backend::GetOpenFileName(NativeWindow{page.Page()}, "list \xC3\xA9.txt", folder);
  KillTimer(nullptr, timer);
  RemoveDirectoryW(win32::Widen(folder).c_str());
  EXPECT_EQ(win32::Narrow(seen.folder), folder);
  EXPECT_EQ(chosen, folder + "\\list \xC3\xA9.txt");
}

}  // namespace
}  // namespace vantor::framework
