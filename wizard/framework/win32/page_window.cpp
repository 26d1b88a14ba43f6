#include "wizard/framework/win32/page_window.h"

// windows.h (through page_window.h) first: these need its types.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "wizard/framework/win32/controls.h"
#include "wizard/framework/win32/dialog_template_ex.h"
#include "wizard/framework/win32/picture.h"
#include "wizard/framework/win32/text.h"

namespace vantor::framework::win32 {

namespace {

template <class Handler>
using HandlerTable = std::map<int, std::vector<Handler>>;

// What a page set on its window; deleted with the window.
struct PageState {
  HandlerTable<std::function<void()>> clicked;
  HandlerTable<std::function<void(const std::string&)>> textChanged;
  std::map<int, std::string> lastText;  // of each edit with text-changed handlers
  HandlerTable<std::function<void()>> focusIn;
  HandlerTable<std::function<void(int)>> listAdded;
  HandlerTable<std::function<void(const std::vector<std::string>&)>> filesDropped;
  std::map<int, Fill> fills;
  std::map<int, Picture> pictures;
  std::vector<std::pair<FontSpec, HFONT>> fonts;

  ~PageState() {
    for (const auto& [asked, font] : fonts) DeleteObject(font);
  }
};

PageState* StateOf(HWND page) {
  if (page == nullptr || !IsPageWindow(page)) return nullptr;
  return reinterpret_cast<PageState*>(GetWindowLongPtrW(page, DWLP_USER));
}

// Calls each handler set for `id`, from a copy: a handler may set others, or end the page.
template <class Handler, class... Args>
void Raise(const HandlerTable<Handler>& table, int id, const Args&... args) {
  const auto found = table.find(id);
  if (found == table.end()) return;
  const std::vector<Handler> handlers = found->second;
  for (const Handler& handler : handlers) handler(args...);
}

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t buffer[32];
  const int length = GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
  return length > 0 &&
         CompareStringOrdinal(buffer, length, name, -1, /*bIgnoreCase=*/TRUE) == CSTR_EQUAL;
}

bool IsUncheckedAutoRadio(HWND button) {
  return button != nullptr && IsClass(button, WC_BUTTONW) &&
         (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
         SendMessageW(button, BM_GETCHECK, 0, 0) != BST_CHECKED;
}

std::vector<std::string> DroppedFiles(HDROP drop) {
  std::vector<std::string> files;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    files.push_back(Narrow(name));
  }
  return files;
}

// The controls' own events that reach only them: the focus and dropped files.
LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR subclassId, DWORD_PTR) {
  switch (message) {
    case WM_SETFOCUS: {
      const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
      if (PageState* state = StateOf(GetParent(control))) {
        Raise(state->focusIn, GetDlgCtrlID(control));
      }
      return result;
    }
    case WM_DROPFILES: {
      PageState* state = StateOf(GetParent(control));
      const int id = GetDlgCtrlID(control);
      if (state == nullptr || !state->filesDropped.contains(id)) break;
      const auto drop = reinterpret_cast<HDROP>(wParam);
      const std::vector<std::string> files = DroppedFiles(drop);
      DragFinish(drop);
      Raise(state->filesDropped, id, files);
      return 0;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, ControlProc, subclassId);
      break;
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

void WatchControl(HWND control) { SetWindowSubclass(control, ControlProc, 0, 0); }

INT_PTR OnCommand(HWND page, PageState& state, WPARAM wParam, LPARAM lParam) {
  const int id = static_cast<short>(LOWORD(wParam));
  const auto control = reinterpret_cast<HWND>(lParam);
  switch (HIWORD(wParam)) {
    case BN_CLICKED:
      if (!IsUncheckedAutoRadio(control)) Raise(state.clicked, id);
      return TRUE;
    case EN_CHANGE: {
      if (!state.textChanged.contains(id)) return TRUE;
      std::string text = GetItemText(page, id);
      if (text == state.lastText[id]) return TRUE;
      state.lastText[id] = text;
      Raise(state.textChanged, id, text);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR OnControlColour(PageState& state, HDC dc, HWND control) {
  const auto found = state.fills.find(GetDlgCtrlID(control));
  if (found == state.fills.end()) return FALSE;
  if (found->second == Fill::Transparent && !IsClass(control, WC_EDITW)) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

// A picture control of version 6 shows its own copy of a bitmap with alpha, which it
// neither gives back nor deletes: the page takes each one back and deletes it.
void TakeBackPicture(HWND control, HBITMAP ours) {
  const auto shown = reinterpret_cast<HBITMAP>(
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(nullptr)));
  if (shown != nullptr && shown != ours) DeleteObject(shown);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, lParam);
    return FALSE;  // the sheet places the focus
  }
  PageState* state = StateOf(page);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(page, *state, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return OnControlColour(*state, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETFOCUS:
      // The page itself keeps the focus it is given (a page with nothing to focus while
      // Next is disabled), instead of the dialog's passing it on to a control.
      return TRUE;
    case WM_DESTROY:
      // The controls are still there.
      for (const auto& [id, picture] : state->pictures) {
        if (HWND control = GetDlgItem(page, id)) TakeBackPicture(control, BitmapOf(picture));
      }
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(page, DWLP_USER, 0);
      delete state;  // the controls, and their use of its fonts, are gone
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND CreatePageWindow(HWND sheet, const DialogTemplate& dialogTemplate) {
  DialogTemplateOptions options;
  options.frame = DialogFrame::ChildPage;
  const std::vector<std::uint8_t> bytes = SerializeDialogTemplate(dialogTemplate, options);
  auto state = std::make_unique<PageState>();
  HWND page = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), sheet,
                                         PageProc, reinterpret_cast<LPARAM>(state.get()));
  // When a control could not be made, the window went before WM_INITDIALOG took the state.
  if (page == nullptr) throw std::runtime_error("CreateDialogIndirectParamW failed for a page");
  state.release();
  // In template order, the order the controls were made in.
  HWND control = GetWindow(page, GW_CHILD);
  for (const ControlTemplate& each : dialogTemplate.controls) {
    if (control == nullptr) break;
    HWND next = GetWindow(control, GW_HWNDNEXT);
    if ((each.style & kMultiLine) && each.kind == ControlKind::Edit) {
      KeepSelectionOnTab(page, each.id);
    }
    // A panel is drawn under the controls on it; it takes no focus, so the tab order of the
    // others stays.
    if ((each.style & kStaticEdge) && each.kind == ControlKind::Static) {
      SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    control = next;
  }
  return page;
}

bool IsPageWindow(HWND page) {
  return IsWindow(page) &&
         reinterpret_cast<DLGPROC>(GetWindowLongPtrW(page, DWLP_DLGPROC)) == PageProc;
}

void AddClicked(HWND page, int id, std::function<void()> handler) {
  if (PageState* state = StateOf(page); state != nullptr && Item(page, id) != nullptr) {
    state->clicked[id].push_back(std::move(handler));
  }
}

void AddTextChanged(HWND page, int id, std::function<void(const std::string&)> handler) {
  PageState* state = StateOf(page);
  HWND edit = Item(page, id);
  if (state == nullptr || edit == nullptr || !IsClass(edit, WC_EDITW) ||
      (GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE)) {
    return;
  }
  if (!state->textChanged.contains(id)) state->lastText[id] = GetItemText(page, id);
  state->textChanged[id].push_back(std::move(handler));
}

void AddFocusIn(HWND page, int id, std::function<void()> handler) {
  PageState* state = StateOf(page);
  HWND control = Item(page, id);
  if (state == nullptr || control == nullptr) return;
  WatchControl(control);
  state->focusIn[id].push_back(std::move(handler));
}

void AddListAdded(HWND page, int id, std::function<void(int)> handler) {
  PageState* state = StateOf(page);
  HWND list = Item(page, id);
  if (state != nullptr && list != nullptr && IsClass(list, WC_LISTBOXW)) {
    state->listAdded[id].push_back(std::move(handler));
  }
}

void AddFilesDropped(HWND page, int id,
                     std::function<void(const std::vector<std::string>&)> handler) {
  PageState* state = StateOf(page);
  HWND control = Item(page, id);
  if (state == nullptr || control == nullptr) return;
  WatchControl(control);
  DragAcceptFiles(control, TRUE);
  state->filesDropped[id].push_back(std::move(handler));
}

void NotifyListAdded(HWND page, int id, int row) {
  if (PageState* state = StateOf(page)) Raise(state->listAdded, id, row);
}

void SetFill(HWND page, int id, Fill fill) {
  PageState* state = StateOf(page);
  HWND control = Item(page, id);
  if (state == nullptr || control == nullptr) return;
  state->fills[id] = fill;
  InvalidateRect(control, nullptr, TRUE);
}

bool IsTransparent(HWND page, int id) {
  const PageState* state = StateOf(page);
  if (state == nullptr) return false;
  const auto found = state->fills.find(id);
  return found != state->fills.end() && found->second == Fill::Transparent;
}

void SetFont(HWND page, int id, const FontSpec& asked) {
  PageState* state = StateOf(page);
  HWND control = Item(page, id);
  if (state == nullptr || control == nullptr) return;
  auto found = std::find_if(state->fonts.begin(), state->fonts.end(),
                            [&asked](const auto& each) { return each.first == asked; });
  if (found == state->fonts.end()) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // A negative height asks for the character height (the em size), not the cell's.
    // FF_SWISS: a family that is not installed gives way to a sans-serif one.
    HFONT font =
        CreateFontW(-MulDiv(asked.pixelHeight, dpi, 96), 0, 0, 0, asked.bold ? FW_BOLD : FW_NORMAL,
                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, Widen(asked.family).c_str());
    if (font == nullptr) return;
    state->fonts.emplace_back(asked, font);
    found = std::prev(state->fonts.end());
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(found->second), TRUE);
}

void SetPicture(HWND page, int id, const Picture& picture) {
  PageState* state = StateOf(page);
  HWND control = Item(page, id);
  if (state == nullptr || control == nullptr || !IsClass(control, WC_STATICW)) return;
  const auto previous = state->pictures.find(id);
  const HBITMAP shown = previous == state->pictures.end() ? nullptr : BitmapOf(previous->second);
  TakeBackPicture(control, shown);
  SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(BitmapOf(picture)));
  // Kept until another replaces it or the page goes: the control draws from it.
  if (picture.IsNull()) {
    state->pictures.erase(id);
  } else {
    state->pictures[id] = picture;
  }
}

}  // namespace vantor::framework::win32
