// The property sheet's window on Win32: a dialog of its own (the sheet's rules are the
// framework's, not the system's property sheet's), the page windows stacked in its page
// area, an etched line and the button row under them.
#include "wizard/framework/sheet_window.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "wizard/framework/property_sheet.h"
#include "wizard/framework/win32/dialog_template_ex.h"
#include "wizard/framework/win32/page_window.h"
#include "wizard/framework/win32/sheet_dialog.h"
#include "wizard/framework/win32/text.h"

// After property_sheet.h: commctrl.h defines PSWIZB_* as macros of the same values, and
// PropertySheet as the system's function, which this file does not use.
#include <commctrl.h>
#undef PropertySheet

namespace vantor::framework {

namespace {

using win32::ButtonId;

// The sheet's own controls, in dialog units of its font.
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMargin = 7;      // around the button row, and between Next and Cancel
constexpr int kLineHeight = 2;  // pixels: an etched line is two
constexpr SheetButton kButtons[] = {SheetButton::Back, SheetButton::Next, SheetButton::Finish,
                                    SheetButton::Cancel};

HWND MakeDialog(const DialogTemplate& dialogTemplate, DialogFrame frame, HWND parent, DLGPROC proc,
                LPARAM parameter) {
  DialogTemplateOptions options;
  options.frame = frame;
  const std::vector<std::uint8_t> bytes = SerializeDialogTemplate(dialogTemplate, options);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                    reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), parent, proc,
                                    parameter);
}

INT_PTR CALLBACK MeasureProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class Win32SheetWindow final : public SheetWindow {
 public:
  Win32SheetWindow(PropertySheet& sheet, const std::string& caption) : m_sheet(sheet) {
    static const bool classes = [] {
      INITCOMMONCONTROLSEX wanted{sizeof(wanted), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
      return InitCommonControlsEx(&wanted) != FALSE;
    }();
    (void)classes;
    const DialogTemplate frame{0, 0, 0, "", {}, "MS Shell Dlg", 8};
    m_dialog = MakeDialog(frame, DialogFrame::TopLevel, nullptr, DialogProc,
                          reinterpret_cast<LPARAM>(this));
    if (m_dialog == nullptr) throw std::runtime_error("CreateDialogIndirectParamW failed");
    SetTitle(caption);
    const auto font = static_cast<WPARAM>(SendMessageW(m_dialog, WM_GETFONT, 0, 0));
    m_line = CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 0, 0,
                             m_dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    const wchar_t* const labels[] = {L"< &Back", L"&Next >", L"Finish", L"Cancel"};
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
      const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON |
                          (kButtons[i] == SheetButton::Finish ? 0 : WS_VISIBLE);
      HWND button =
          CreateWindowExW(0, WC_BUTTONW, labels[i], style, 0, 0, 0, 0, m_dialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ButtonId(kButtons[i]))),
                          GetModuleHandleW(nullptr), nullptr);
      SendMessageW(button, WM_SETFONT, font, FALSE);
      SetWindowSubclass(button, ButtonProc, 0, 0);
    }
    Layout();
  }
  ~Win32SheetWindow() override { DestroyWindow(m_dialog); }

  NativeWindow GetNative() const override { return win32::Native(m_dialog); }
  void SetTitle(const std::string& title) override {
    SetWindowTextW(m_dialog, win32::Widen(title).c_str());
  }
  std::string GetTitle() const override {
    std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(m_dialog)) + 1, L'\0');
    title.resize(static_cast<std::size_t>(
        std::max(0, GetWindowTextW(m_dialog, title.data(), static_cast<int>(title.size())))));
    return win32::Narrow(title);
  }

  void MakeRoomFor(const DialogTemplate& dialogTemplate) override {
    // The page's size in pixels is that of its own font, which an empty window of its
    // template measures.
    const DialogTemplate empty{
        dialogTemplate.id,         dialogTemplate.width,        dialogTemplate.height, "", {},
        dialogTemplate.fontFamily, dialogTemplate.fontPointSize};
    HWND probe = MakeDialog(empty, DialogFrame::ChildPage, m_dialog, MeasureProc, 0);
    if (probe == nullptr) return;
    RECT rect;
    GetClientRect(probe, &rect);
    DestroyWindow(probe);
    m_pageArea.cx = std::max(m_pageArea.cx, rect.right);
    m_pageArea.cy = std::max(m_pageArea.cy, rect.bottom);
    Layout();
  }
  NativeWindow CreatePage(const DialogTemplate& dialogTemplate) override {
    HWND page = win32::CreatePageWindow(m_dialog, dialogTemplate);
    // First in the Z-order, which is the tab order: Tab goes from the page's controls to
    // the buttons.
    SetWindowPos(page, HWND_TOP, 0, 0, m_pageArea.cx, m_pageArea.cy, SWP_NOACTIVATE);
    return win32::Native(page);
  }
  void DestroyPage(NativeWindow page) override {
    if (!page) return;
    if (win32::Window(page) == m_shown) m_shown = nullptr;
    DestroyWindow(win32::Window(page));
  }
  void ShowPage(NativeWindow page) override {
    HWND shown = win32::Window(page);
    if (m_shown != nullptr && m_shown != shown) ShowWindow(m_shown, SW_HIDE);
    m_shown = shown;
    SetWindowPos(shown, nullptr, 0, 0, m_pageArea.cx, m_pageArea.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }

  void SetButtons(unsigned flags) override {
    const bool finish = flags & PSWIZB_FINISH;
    HWND focus = GetFocus();
    const bool buttonHadFocus = focus != nullptr && GetParent(focus) == m_dialog;
    EnableWindow(Button(SheetButton::Back), (flags & PSWIZB_BACK) != 0);
    EnableWindow(Button(SheetButton::Next), (flags & PSWIZB_NEXT) != 0);
    ShowWindow(Button(SheetButton::Next), finish ? SW_HIDE : SW_SHOWNA);
    ShowWindow(Button(SheetButton::Finish), finish ? SW_SHOWNA : SW_HIDE);
    // Enter presses the button in Next's place.
    SendMessageW(m_dialog, DM_SETDEFID, ButtonId(finish ? SheetButton::Finish : SheetButton::Next),
                 0);
    // A button that lost the focus by going or being disabled would leave the keyboard on
    // nothing: the next tab stop takes it.
    if (buttonHadFocus && (!IsWindowVisible(focus) || !IsWindowEnabled(focus))) {
      SendMessageW(m_dialog, WM_NEXTDLGCTL, 0, FALSE);
    }
  }
  bool IsButtonEnabled(SheetButton button) const override {
    return IsWindowEnabled(Button(button)) != FALSE;
  }
  bool IsButtonShown(SheetButton button) const override {
    return (GetWindowLongPtrW(Button(button), GWL_STYLE) & WS_VISIBLE) != 0;
  }

  bool CanTakeFocus(NativeWindow page, int id) const override {
    HWND control = page ? GetDlgItem(win32::Window(page), id) : nullptr;
    if (control == nullptr) return false;
    // The control's own state, as the sheet may not be shown yet. A radio group's tab stop
    // is on its checked button (or its first while none is).
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    return (style & WS_VISIBLE) && IsWindowEnabled(control) && (style & WS_TABSTOP);
  }
  void FocusButton(SheetButton button) override {
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Button(button)), TRUE);
  }
  void FocusPage(NativeWindow page) override {
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(win32::Window(page)), TRUE);
  }

  void Show() override {
    m_result = SheetResult::Open;
    ShowWindow(m_dialog, SW_SHOW);
    SetForegroundWindow(m_dialog);
    m_sheet.OnShown();
  }
  SheetResult DoModal() override {
    Show();
    MSG message;
    while (m_result == SheetResult::Open) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        // The program is asked to end (or the queue failed): the sheet did not finish. The
        // request is left for the loop outside.
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
        Close(SheetResult::Cancelled);
        break;
      }
      if (!IsDialogMessageW(m_dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    return m_result;
  }
  void Close(SheetResult result) override {
    m_result = result;
    ShowWindow(m_dialog, SW_HIDE);
  }
  bool IsOpen() const override { return IsWindowVisible(m_dialog) != FALSE; }
  SheetResult GetResult() const override { return m_result; }

 private:
  HWND Button(SheetButton button) const { return GetDlgItem(m_dialog, ButtonId(button)); }

  // Puts the page area, the line and the buttons in place and sizes the window to them.
  void Layout() {
    RECT units{kMargin, kMargin, kButtonWidth, kButtonHeight};
    MapDialogRect(m_dialog, &units);
    const int margin = units.left;
    const int marginY = units.top;
    const int width = units.right;
    const int height = units.bottom;
    const int clientWidth = std::max<int>(m_pageArea.cx, 3 * margin + 3 * width);
    const int rowY = m_pageArea.cy + kLineHeight + marginY;
    SetWindowPos(m_line, nullptr, 0, m_pageArea.cy, clientWidth, kLineHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const int cancelX = clientWidth - margin - width;
    const int nextX = cancelX - margin - width;
    const int x[] = {nextX - width, nextX, nextX, cancelX};
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
      SetWindowPos(Button(kButtons[i]), nullptr, x[i], rowY, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame{0, 0, clientWidth, rowY + height + marginY};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_dialog, GWL_EXSTYLE)));
    SetWindowPos(m_dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDCANCEL) {
      m_sheet.RequestCancel();
      return;
    }
    for (SheetButton button : {SheetButton::Back, SheetButton::Next, SheetButton::Finish}) {
      // Enter asks for the default button whatever state it is in.
      if (id == ButtonId(button) && IsButtonShown(button) && IsButtonEnabled(button)) {
        m_sheet.Press(button);
      }
    }
  }

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      return FALSE;
    }
    auto* self = reinterpret_cast<Win32SheetWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
      case WM_COMMAND:
        self->OnCommand(static_cast<short>(LOWORD(wParam)), HIWORD(wParam));
        return TRUE;
      case WM_CLOSE:
        // The close box: through the sheet, which may keep the window open.
        self->m_sheet.RequestCancel();
        return TRUE;
      case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        return FALSE;
    }
    return FALSE;
  }

  // Tab reaches the buttons, a click leaves the focus where it was: after Next pressed
  // with the mouse the new page's first control has it, as after Enter, even when a second
  // click (of a double click, or one ignored) comes after the page changed. A button takes
  // the focus as it is pressed, and needs it until released, so the focus goes back then.
  static LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR subclassId, DWORD_PTR) {
    thread_local HWND focusBefore = nullptr;
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        focusBefore = GetFocus();
        break;
      case WM_LBUTTONUP: {
        const LRESULT result = DefSubclassProc(button, message, wParam, lParam);
        HWND before = std::exchange(focusBefore, nullptr);
        if (GetFocus() == button && before != nullptr && before != button && IsWindow(before) &&
            IsWindowVisible(before) && IsWindowEnabled(before)) {
          SendMessageW(GetParent(button), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(before), TRUE);
        }
        return result;
      }
      case WM_NCDESTROY:
        RemoveWindowSubclass(button, ButtonProc, subclassId);
        break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
  }

  PropertySheet& m_sheet;
  HWND m_dialog = nullptr;
  HWND m_line = nullptr;
  HWND m_shown = nullptr;
  SIZE m_pageArea{0, 0};
  SheetResult m_result = SheetResult::Open;
};

}  // namespace

std::unique_ptr<SheetWindow> MakeSheetWindow(PropertySheet& sheet, const std::string& caption) {
  return std::make_unique<Win32SheetWindow>(sheet, caption);
}

}  // namespace vantor::framework
