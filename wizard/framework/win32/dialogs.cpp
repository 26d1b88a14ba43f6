// The system's message box, file dialog and link opening behind the dialog hooks.
#include <windows.h>
// windows.h first: these need its types.
#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

// commdlg.h names the A or W function GetOpenFileName; here it is the backend's own.
#undef GetOpenFileName

#include "wizard/framework/backend.h"
#include "wizard/framework/win32/text.h"

namespace vantor::framework {

namespace {

// A box ShowMessageBox has up, or is about to put up (no window yet).
struct OpenBox {
  NativeWindow owner;
  HWND box = nullptr;
};

// The boxes ShowMessageBox has up on this thread, the innermost last.
std::vector<OpenBox*>& OpenBoxes() {
  thread_local std::vector<OpenBox*> boxes;
  return boxes;
}

// Gives the innermost box that has no window yet the first dialog made while its
// MessageBoxW runs, which is the box: its buttons and text are made after it.
LRESULT CALLBACK FindBoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !OpenBoxes().empty() && OpenBoxes().back()->box == nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t name[16];
    if (GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
        std::wstring_view(name) == L"#32770") {
      OpenBoxes().back()->box = window;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A window that owns a dialog is a top-level one; a page is not.
HWND OwnerOf(NativeWindow owner) {
  return owner ? GetAncestor(static_cast<HWND>(owner.handle), GA_ROOT) : nullptr;
}

UINT IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return MB_ICONEXCLAMATION;
    case MessageIcon::Stop:
      return MB_ICONHAND;
    case MessageIcon::Question:
      return MB_ICONQUESTION;
  }
  return 0;
}

// Runs the dialog; true when the user chose a name. A name the dialog refuses to start
// with (one with characters no file name holds) would keep it from opening at all, and the
// user from choosing: then it opens again without the name.
bool RunFileDialog(OPENFILENAMEW& dialog, std::vector<wchar_t>& file) {
  if (GetOpenFileNameW(&dialog)) return true;
  if (CommDlgExtendedError() != FNERR_INVALIDFILENAME || file[0] == L'\0') return false;
  file[0] = L'\0';
  return GetOpenFileNameW(&dialog) != 0;
}

}  // namespace

// The box is the system's: on Windows Esc does not answer a yes/no box, which has no
// Cancel button, while the Linux wizard takes Esc there for No. Wine closes it with
// IDCANCEL, which counts as No like every answer but IDYES.
MessageAnswer backend::ShowMessageBox(NativeWindow owner, const std::string& text,
                                      const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) {
  UINT flags = IconFlag(icon);
  flags |= buttons == MessageButtons::YesNo ? MB_YESNO | MB_DEFBUTTON2 : MB_OK;
  // Without an owner the box still keeps the user off the thread's other windows, as the
  // Linux wizard's application-modal box does.
  if (!owner) flags |= MB_TASKMODAL;
  const std::wstring wideText = win32::Widen(text);
  const std::wstring wideCaption = win32::Widen(caption);
  OpenBox open{owner};
  OpenBoxes().push_back(&open);
  HHOOK hook = SetWindowsHookExW(WH_CBT, FindBoxHook, nullptr, GetCurrentThreadId());
  const int pressed = MessageBoxW(OwnerOf(owner), wideText.c_str(), wideCaption.c_str(), flags);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  std::erase(OpenBoxes(), &open);
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return pressed == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

void backend::CloseMessageBoxes(NativeWindow owner) {
  // The list changes while a box ends: each is answered from a copy.
  const std::vector<OpenBox*> boxes = OpenBoxes();
  for (const OpenBox* open : boxes) {
    if (open->owner != owner || open->box == nullptr || !IsWindow(open->box)) continue;
    // A box with Yes and No has no Cancel to press: No is its answer for Esc.
    const int button = GetDlgItem(open->box, IDNO) != nullptr ? IDNO : IDOK;
    SendMessageW(open->box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(open->box, button)));
  }
}

std::optional<std::string> backend::GetOpenFileName(NativeWindow owner,
                                                    const std::string& initialName,
                                                    const std::string& startFolder) {
  // Room for the longest path Windows has (32767 units and the terminating NUL).
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring name = win32::Widen(initialName);
  if (name.size() < file.size()) std::copy(name.begin(), name.end(), file.begin());
  const std::wstring folder = win32::Widen(startFolder);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = OwnerOf(owner);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // Any name, which need not exist, nor its folder; the process keeps its current folder.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!RunFileDialog(dialog, file)) return std::nullopt;
  return win32::Narrow(file.data());
}

bool backend::OpenLink(const std::string& address) {
  // The shell may hand the address to an extension that needs COM on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", win32::Widen(address).c_str(), nullptr,
                                         nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  // Above 32 it opened; 32 and below are the shell's error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace vantor::framework
