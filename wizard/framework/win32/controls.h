// The page operations on Win32: free functions on a page window (a dialog made from a
// page's template, see dialog_template_ex.h) and the id of one of its controls. Texts are
// UTF-8. Every function does nothing, or answers empty, -1, 0 or false, when the page has
// no such control or the control is of another kind; kNoId names no control, since any
// number of labels share it. The page's thread only (the thread that made the window).
//
// What Windows tells the page's dialog procedure, and what it does not: the framework
// raises its own handlers where Windows stays silent.
// - SetItemText on a one-line edit sends EN_CHANGE before it returns (also for the same
//   text again); on a multi-line edit it sends none.
// - Check and ListSetCurSel send nothing (no BN_CLICKED, no LBN_SELCHANGE); Click sends
//   BN_CLICKED, as the user's click does.
// - Focus sends EN_SETFOCUS or BN_SETFOCUS, as any other way of focusing does.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_CONTROLS_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_CONTROLS_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace vantor::framework::win32 {

// The page's control with `id` (a child of the page itself), or nullptr.
HWND Item(HWND page, int id);
// The id of the page's control that has the keyboard focus, or holds the window that has
// it; kNoId when the focus is elsewhere.
int FocusId(HWND page);

// The control's text. A multi-line edit gives its line ends as CR LF.
std::string GetItemText(HWND page, int id);
// Sets the control's text. Into a multi-line edit a lone LF goes as CR LF, the only line
// end it breaks at; it then shows the text from the top, the caret at its start.
void SetItemText(HWND page, int id, std::string_view text);

// Of a check box or radio button.
bool IsChecked(HWND page, int id);
// Checking a radio button unchecks the other radio buttons of its group (from the one with
// WS_GROUP at or before it to the next with WS_GROUP, in the order Tab goes), and a group
// that is a tab stop gets its tab stop on the checked one, where Tab then lands. Unchecking
// a radio button may leave its group with none checked; the group keeps its tab stop.
void Check(HWND page, int id, bool checked);
// Clicks an enabled button as the user would (BM_CLICK): a check box toggles, a radio
// button is checked and its group unchecked, the focus moves to the button, and BN_CLICKED
// reaches the page. A disabled button is not clicked.
void Click(HWND page, int id);

bool IsEnabled(HWND page, int id);
// Disabling the control that has the focus first moves the focus on to the next tab stop,
// which Windows does not do itself: the keyboard would be left on a control that ignores it.
void Enable(HWND page, int id, bool enable);
// Moves the focus to an enabled control through the dialog manager (WM_NEXTDLGCTL to the
// page's top-level dialog), which also moves the default push button; a one-line edit then
// has its whole text selected. A multi-line edit gets its text selected by the dialog
// manager, unless KeepSelectionOnTab was called for it.
void Focus(HWND page, int id);

// List box (single selection). Rows count from 0.
// Adds `text` as the last row; its row, or -1 when the list box is full.
int ListAddString(HWND page, int id, std::string_view text);
int ListGetCount(HWND page, int id);
// The row's text; empty for a row that is not there.
std::string ListGetText(HWND page, int id, int row);
void ListDeleteString(HWND page, int id, int row);
// The selected row, or -1.
int ListGetCurSel(HWND page, int id);
// Selects `row` and scrolls it into view; -1 clears the selection. A row that is not there
// changes nothing.
void ListSetCurSel(HWND page, int id, int row);

// Progress bar. A position outside the range is held at its nearer end.
struct ProgressRange {
  int low = 0;
  int high = 0;
};
void SetProgressRange(HWND page, int id, int low, int high);
ProgressRange GetProgressRange(HWND page, int id);
void SetProgressPos(HWND page, int id, int position);
int GetProgressPos(HWND page, int id);

// Multi-line edit. Positions count UTF-16 units of the text, each CR LF as two.
// Drops the selection, leaving the caret where it is, and scrolls the caret into view.
void DropSelection(HWND page, int id);
// Puts the caret at `position` (held within the text) with nothing selected and scrolls
// it into view.
void SetCaret(HWND page, int id, int position);
// Stops the dialog manager from selecting the edit's whole text when Tab or Focus moves
// the focus into it (it strips DLGC_HASSETSEL from the edit's WM_GETDLGCODE), for an edit
// whose selection the page sets itself. Lasts as long as the edit; calling it again changes
// nothing. False when the control is not an edit.
bool KeepSelectionOnTab(HWND page, int id);

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_CONTROLS_H_
