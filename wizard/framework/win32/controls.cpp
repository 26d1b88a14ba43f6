#include "wizard/framework/win32/controls.h"

// windows.h (through controls.h) first: commctrl.h needs its types.
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "wizard/framework/dialog_template.h"
#include "wizard/framework/win32/text.h"

namespace vantor::framework::win32 {

namespace {

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t buffer[64];
  const int length = GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
  return length > 0 &&
         CompareStringOrdinal(buffer, length, name, -1, /*bIgnoreCase=*/TRUE) == CSTR_EQUAL;
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

// The page's control `id` if it is of window class `name`, else nullptr.
HWND ItemOfClass(HWND page, int id, const wchar_t* name) {
  HWND item = Item(page, id);
  return item != nullptr && HasClass(item, name) ? item : nullptr;
}

HWND Edit(HWND page, int id) { return ItemOfClass(page, id, WC_EDITW); }
HWND MultiLineEdit(HWND page, int id) {
  HWND edit = Edit(page, id);
  return edit != nullptr && (StyleOf(edit) & ES_MULTILINE) ? edit : nullptr;
}
HWND Button(HWND page, int id) { return ItemOfClass(page, id, WC_BUTTONW); }
HWND ListBox(HWND page, int id) { return ItemOfClass(page, id, WC_LISTBOXW); }
HWND ProgressBar(HWND page, int id) { return ItemOfClass(page, id, PROGRESS_CLASSW); }

bool IsRadioButton(HWND button) {
  const LONG_PTR type = StyleOf(button) & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The radio buttons of `radio`'s group: the controls from the last one with WS_GROUP at or
// before it to the next one with WS_GROUP, in Z-order, the order the dialog manager
// walks for Tab and the arrow keys.
std::vector<HWND> RadioGroup(HWND radio) {
  HWND first = radio;
  while (!(StyleOf(first) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (previous == nullptr) break;
    first = previous;
  }
  std::vector<HWND> group;
  for (HWND control = first; control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
    if (control != first && (StyleOf(control) & WS_GROUP)) break;
    if (HasClass(control, WC_BUTTONW) && IsRadioButton(control)) group.push_back(control);
  }
  return group;
}

void SetTabStop(HWND control, bool tabStop) {
  const LONG_PTR style = StyleOf(control);
  const LONG_PTR wanted = tabStop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP);
  if (wanted != style) SetWindowLongPtrW(control, GWL_STYLE, wanted);
}

// Whether the focus is on `control` or a window inside it.
bool HoldsFocus(HWND control) {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == control || IsChild(control, focus));
}

// `text` with every LF that no CR precedes turned into CR LF.
std::wstring WithCrLf(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out.push_back(L'\r');
    out.push_back(text[i]);
  }
  return out;
}

// Whether the caret of the focused `edit` is at `start` rather than at `end`: the edit
// knows which end of its selection the caret is at, but EM_GETSEL gives both ends in
// order. The caret is where the character at its index is drawn; EM_POSFROMCHAR answers
// -1 past the last character, so only a match at `start` is relied on.
bool CaretAtStart(HWND edit, DWORD start, DWORD end) {
  POINT caret;
  if (GetFocus() != edit || !GetCaretPos(&caret)) return false;
  // How far the caret is from character `index` on its line, or -1 when not on its line.
  const auto offset = [&](DWORD index) -> long {
    const LRESULT at = SendMessageW(edit, EM_POSFROMCHAR, index, 0);
    if (at == -1 || static_cast<short>(HIWORD(at)) != caret.y) return -1;
    return std::abs(static_cast<short>(LOWORD(at)) - caret.x);
  };
  const long fromStart = offset(start);
  const long fromEnd = offset(end);
  return fromStart >= 0 && fromStart <= 2 && (fromEnd < 0 || fromStart < fromEnd);
}

LRESULT CALLBACK NoSelectAllProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR subclassId, DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    return DefSubclassProc(edit, message, wParam, lParam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, NoSelectAllProc, subclassId);
  return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

HWND Item(HWND page, int id) {
  if (page == nullptr || id == kNoId) return nullptr;
  return GetDlgItem(page, id);
}

int FocusId(HWND page) {
  if (page == nullptr) return kNoId;
  for (HWND window = GetFocus(); window != nullptr; window = GetAncestor(window, GA_PARENT)) {
    if (GetAncestor(window, GA_PARENT) == page) return GetDlgCtrlID(window);
  }
  return kNoId;
}

std::string GetItemText(HWND page, int id) {
  HWND item = Item(page, id);
  if (item == nullptr) return {};
  // The length may be more than the text, never less: the text's own count is kept.
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      std::max(0, GetWindowTextW(item, text.data(), static_cast<int>(text.size())))));
  return Narrow(text);
}

void SetItemText(HWND page, int id, std::string_view text) {
  HWND item = Item(page, id);
  if (item == nullptr) return;
  std::wstring wide = Widen(text);
  if (MultiLineEdit(page, id) != nullptr) wide = WithCrLf(wide);
  SetWindowTextW(item, wide.c_str());
}

bool IsChecked(HWND page, int id) {
  HWND button = Button(page, id);
  return button != nullptr && SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Check(HWND page, int id, bool checked) {
  HWND button = Button(page, id);
  if (button == nullptr) return;
  if (!IsRadioButton(button)) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return;
  }
  // BM_SETCHECK itself moves WS_TABSTOP onto a radio button it checks and off one it
  // unchecks, whether or not the group was a tab stop: the tab stop is put right after it.
  const std::vector<HWND> group = RadioGroup(button);
  const auto holder = std::find_if(group.begin(), group.end(),
                                   [](HWND radio) { return (StyleOf(radio) & WS_TABSTOP) != 0; });
  HWND tabStop = holder == group.end() ? nullptr : checked ? button : *holder;
  if (checked) {
    for (HWND radio : group) {
      if (radio != button) SendMessageW(radio, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  for (HWND radio : group) SetTabStop(radio, radio == tabStop);
}

void Click(HWND page, int id) {
  HWND button = Button(page, id);
  // BM_CLICK is sent past the check Windows makes of a mouse click.
  if (button != nullptr && IsWindowEnabled(button)) SendMessageW(button, BM_CLICK, 0, 0);
}

bool IsEnabled(HWND page, int id) {
  HWND item = Item(page, id);
  return item != nullptr && IsWindowEnabled(item);
}

void Enable(HWND page, int id, bool enable) {
  HWND item = Item(page, id);
  if (item == nullptr) return;
  if (!enable && HoldsFocus(item)) {
    SendMessageW(GetAncestor(page, GA_ROOT), WM_NEXTDLGCTL, 0, FALSE);
  }
  EnableWindow(item, enable);
}

void Focus(HWND page, int id) {
  HWND item = Item(page, id);
  if (item == nullptr || !IsWindowEnabled(item)) return;
  SendMessageW(GetAncestor(page, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
  // A top-level window that is no dialog ignores WM_NEXTDLGCTL.
  if (!HoldsFocus(item)) SetFocus(item);
  if (Edit(page, id) != nullptr && MultiLineEdit(page, id) == nullptr) {
    SendMessageW(item, EM_SETSEL, 0, -1);
  }
}

int ListAddString(HWND page, int id, std::string_view text) {
  HWND list = ListBox(page, id);
  if (list == nullptr) return -1;
  const std::wstring wide = Widen(text);
  const LRESULT row = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  return row >= 0 ? static_cast<int>(row) : -1;  // LB_ERR, LB_ERRSPACE
}

int ListGetCount(HWND page, int id) {
  HWND list = ListBox(page, id);
  return list == nullptr ? 0 : std::max(0, static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)));
}

std::string ListGetText(HWND page, int id, int row) {
  HWND list = ListBox(page, id);
  if (list == nullptr || row < 0) return {};
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, row, 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return Narrow(text);
}

void ListDeleteString(HWND page, int id, int row) {
  if (HWND list = ListBox(page, id); list != nullptr && row >= 0) {
    SendMessageW(list, LB_DELETESTRING, row, 0);
  }
}

int ListGetCurSel(HWND page, int id) {
  HWND list = ListBox(page, id);
  return list == nullptr ? -1
                         : std::max(-1, static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)));
}

void ListSetCurSel(HWND page, int id, int row) {
  HWND list = ListBox(page, id);
  if (list == nullptr || row < -1 || row >= ListGetCount(page, id)) return;
  // LB_SETCURSEL scrolls the row into view itself.
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void SetProgressRange(HWND page, int id, int low, int high) {
  if (HWND bar = ProgressBar(page, id)) SendMessageW(bar, PBM_SETRANGE32, low, high);
}

ProgressRange GetProgressRange(HWND page, int id) {
  HWND bar = ProgressBar(page, id);
  if (bar == nullptr) return {};
  PBRANGE range{};
  SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  return {range.iLow, range.iHigh};
}

void SetProgressPos(HWND page, int id, int position) {
  if (HWND bar = ProgressBar(page, id)) SendMessageW(bar, PBM_SETPOS, position, 0);
}

int GetProgressPos(HWND page, int id) {
  HWND bar = ProgressBar(page, id);
  return bar == nullptr ? 0 : static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
}

void DropSelection(HWND page, int id) {
  HWND edit = MultiLineEdit(page, id);
  if (edit == nullptr) return;
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const DWORD caret = start != end && CaretAtStart(edit, start, end) ? start : end;
  SendMessageW(edit, EM_SETSEL, caret, caret);
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void SetCaret(HWND page, int id, int position) {
  HWND edit = MultiLineEdit(page, id);
  if (edit == nullptr) return;
  const int caret = std::clamp(position, 0, GetWindowTextLengthW(edit));
  SendMessageW(edit, EM_SETSEL, caret, caret);
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

bool KeepSelectionOnTab(HWND page, int id) {
  HWND edit = Edit(page, id);
  return edit != nullptr && SetWindowSubclass(edit, NoSelectAllProc, 0, 0);
}

}  // namespace vantor::framework::win32
