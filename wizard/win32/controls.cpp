// The wizard's own controls as Win32 window classes: the arrow-and-check mark and the
// link. Each window keeps its CustomControl in GWLP_USERDATA (made at WM_NCCREATE, deleted
// at WM_NCDESTROY), where the page finds it.
#include "wizard/controls.h"

#include <windows.h>

#include <memory>
#include <string>

#include "wizard/arrow_check_pixels.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/win32/text.h"
#include "wizard/hyperlink_state.h"

namespace vantor::wizard {

namespace {

constexpr char kCaption[] = "Zelcor Vantor";

// The brush the parent paints this control's background with, as for a static text.
HBRUSH ParentBrush(HWND control, HDC dc) {
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(control), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(control)));
  return brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

// Starts painting `control` on its parent's background; its client rectangle in `client`.
HDC BeginPaintOnParent(HWND control, PAINTSTRUCT* paint, RECT* client) {
  HDC dc = BeginPaint(control, paint);
  GetClientRect(control, client);
  FillRect(dc, client, ParentBrush(control, dc));
  return dc;
}

class Win32ArrowCheck final : public ArrowCheck {
 public:
  explicit Win32ArrowCheck(HWND window) : m_window(window) {}

  void SetState(int nState, bool redraw) override {
    m_nState = nState;
    InvalidateRect(m_window, nullptr, TRUE);
    if (redraw) UpdateWindow(m_window);
  }
  bool IsChecked() const override { return m_nState == StateCheck; }
  bool IsArrow() const override { return m_nState == StateArrow; }

  void Paint() {
    PAINTSTRUCT paint;
    RECT client;
    HDC dc = BeginPaintOnParent(m_window, &paint, &client);
    if (IsArrow() || IsChecked()) {
      const int width = client.right - client.left;
      const int height = client.bottom - client.top;
      const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      for (const PixelRun& run :
           IsArrow() ? ArrowPixels(width, height) : CheckPixels(width, height)) {
        const RECT pixels{run.x, run.y, run.x + run.length, run.y + 1};
        FillRect(dc, &pixels, black);
      }
    }
    EndPaint(m_window, &paint);
  }

 private:
  HWND m_window;
  int m_nState = StateEmpty;
};

LRESULT CALLBACK ArrowCheckProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control =
      reinterpret_cast<framework::CustomControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  auto* mark = dynamic_cast<Win32ArrowCheck*>(control);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(
                            static_cast<framework::CustomControl*>(new Win32ArrowCheck(window))));
      break;
    case WM_NCDESTROY:
      delete control;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole control
    case WM_PAINT:
      if (mark != nullptr) {
        mark->Paint();
        return 0;
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class Win32HyperLink final : public LinkControl {
 public:
  explicit Win32HyperLink(HWND window) : m_window(window) {}
  ~Win32HyperLink() override {
    if (m_font != nullptr) DeleteObject(m_font);
  }

  void SetLinkTarget(const std::string& target) override {
    m_target = target;
    if (m_setUp) FitToText();
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_SHOWWINDOW:
        if (wParam && !m_setUp) SetUp();
        break;
      case WM_SETFONT:
        m_pageFont = reinterpret_cast<HFONT>(wParam);
        if (m_setUp) MakeLinkFont();
        if (LOWORD(lParam)) InvalidateRect(m_window, nullptr, TRUE);
        return 0;
      case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_pageFont);
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_SETCURSOR:
        if (!(m_state.Flags() & HyperLinkState::LinkNoHandCursor)) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
        break;
      case WM_MOUSEMOVE: {
        if (!m_tracking) {
          TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_window, 0};
          m_tracking = TrackMouseEvent(&track);
          Do(m_state.OnMouseEnter());
        }
        Do(m_state.OnMouseMove(Inside(lParam)));
        return 0;
      }
      case WM_MOUSELEAVE:
        m_tracking = false;
        Do(m_state.OnMouseLeave());
        return 0;
      case WM_LBUTTONDOWN:
        SetCapture(m_window);
        Do(m_state.OnLeftButtonDown());
        return 0;
      case WM_LBUTTONUP:
        if (GetCapture() == m_window) ReleaseCapture();
        Do(m_state.OnLeftButtonUp(Inside(lParam)));
        return 0;
      case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
          Do(m_state.OnSpaceDown((lParam & (1 << 30)) != 0));
          return 0;
        }
        break;
      case WM_GETDLGCODE:
        return DLGC_WANTCHARS;  // the space bar comes here; Tab and Enter stay the dialog's
      case WM_SETFOCUS:
        Do(m_state.OnFocusIn());
        return 0;
      case WM_KILLFOCUS:
        Do(m_state.OnFocusOut());
        return 0;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
  }

 private:
  bool Inside(LPARAM lParam) const {
    RECT client;
    GetClientRect(m_window, &client);
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&client, at) != 0;
  }

  std::string Text() const {
    const int length = GetWindowTextLengthW(m_window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(m_window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return framework::win32::Narrow(text);
  }

  // As the control is first shown: an empty address takes the text and an empty text the
  // address; the link font; the size of the text; a tab stop of its own.
  void SetUp() {
    m_setUp = true;
    if (m_target.empty()) m_target = Text();
    if (Text().empty()) SetWindowTextW(m_window, framework::win32::Widen(m_target).c_str());
    SetWindowLongPtrW(m_window, GWL_STYLE, GetWindowLongPtrW(m_window, GWL_STYLE) | WS_TABSTOP);
    MakeLinkFont();
    FitToText();
  }

  void MakeLinkFont() {
    if (m_font != nullptr) DeleteObject(m_font);
    LOGFONTW font{};
    HFONT base =
        m_pageFont != nullptr ? m_pageFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectW(base, sizeof(font), &font);
    font.lfUnderline = (m_state.Flags() & HyperLinkState::LinkUnderline) ? TRUE : FALSE;
    m_font = CreateFontIndirectW(&font);
  }

  void FitToText() {
    if (!(m_state.Flags() & HyperLinkState::LinkFitToText)) return;
    const std::wstring text = framework::win32::Widen(Text());
    HDC dc = GetDC(m_window);
    const HGDIOBJ old = SelectObject(dc, m_font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(m_window, dc);
    RECT window;
    GetWindowRect(m_window, &window);
    MapWindowPoints(HWND_DESKTOP, GetParent(m_window), reinterpret_cast<POINT*>(&window), 2);
    RECT client;
    GetClientRect(m_window, &client);
    const LinkSize borders{(window.right - window.left) - client.right,
                           (window.bottom - window.top) - client.bottom};
    const LinkRect fitted = wizard::FitToText(
        {window.left, window.top, window.right - window.left, window.bottom - window.top},
        {extent.cx, extent.cy}, borders, LinkHAlign::Left, LinkVAlign::Top);
    SetWindowPos(m_window, nullptr, fitted.left, fitted.top, fitted.width, fitted.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Paint() {
    PAINTSTRUCT paint;
    RECT client;
    HDC dc = BeginPaintOnParent(m_window, &paint, &client);
    const HGDIOBJ old = SelectObject(dc, m_font != nullptr ? m_font : m_pageFont);
    SetBkMode(dc, TRANSPARENT);
    const Rgb colour = m_state.TextColour();
    SetTextColor(dc, RGB(colour.red, colour.green, colour.blue));
    const std::wstring text = framework::win32::Widen(Text());
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(m_window, &paint);
  }

  void Do(const LinkRequests& requests) {
    if (requests.takeFocus) SetFocus(m_window);
    if (requests.open) {
      Do(framework::OpenLink(m_target) ? m_state.OnOpened() : m_state.OnOpenFailed());
    }
    if (requests.beep) MessageBeep(MB_ICONEXCLAMATION);
    // The shell's reason is not kept: the box says there is no application for it.
    if (requests.showError) {
      framework::ShowMessageBox(framework::NativeWindow{GetAncestor(m_window, GA_ROOT)},
                                OpenErrorMessage(kNoAssociation), kCaption,
                                framework::MessageIcon::Exclamation);
    }
    if (requests.repaint) InvalidateRect(m_window, nullptr, TRUE);
  }

  HWND m_window;
  HyperLinkState m_state;
  std::string m_target;
  HFONT m_pageFont = nullptr;
  HFONT m_font = nullptr;  // the page's font, underlined
  bool m_setUp = false;
  bool m_tracking = false;
};

LRESULT CALLBACK HyperLinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control =
      reinterpret_cast<framework::CustomControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(
                          static_cast<framework::CustomControl*>(new Win32HyperLink(window))));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    delete control;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (auto* link = dynamic_cast<Win32HyperLink*>(control))
    return link->Handle(message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

void Register(const char* name, WNDPROC procedure) {
  const std::wstring className = framework::win32::Widen(name);
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), className.c_str(), &windowClass)) return;
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_PARENTDC;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className.c_str();
  RegisterClassExW(&windowClass);
}

}  // namespace

void RegisterControlClasses() {
  Register(kArrowCheckClass, &ArrowCheckProc);
  Register(kHyperLinkClass, &HyperLinkProc);
}

}  // namespace vantor::wizard
