// A page's window on Win32: a child dialog (DS_CONTROL) made from the page's template
// inside the sheet's dialog, whose dialog procedure hands its controls' notifications to
// the handlers the page set, and paints the controls as the page asked. What the page set
// lives with the window and goes with it (WM_NCDESTROY). The window's thread only.
//
// The handlers hear:
// - clicked: BN_CLICKED, from a click, the keyboard or BM_CLICK. An automatic radio button
//   that is still unchecked is not heard: it is the notification Windows sends when such a
//   button merely gets the focus.
// - text changed: EN_CHANGE of a one-line edit whose text differs from the text it had
//   when last heard (or when the handler was set), as Windows sends it for the same text
//   set again too. A multi-line edit has none (EN_CHANGE does not come for its text set by
//   code).
// - focus in: WM_SETFOCUS of the control, by any means.
// - files dropped: WM_DROPFILES of a control that accepts drops (DragAcceptFiles, from
//   AddFilesDropped on).
// - list added: raised by the page's ListAddString itself.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_PAGE_WINDOW_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_PAGE_WINDOW_H_

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "wizard/framework/dialog_template.h"
#include "wizard/framework/types.h"

namespace vantor::framework::win32 {

// Makes the page's window, hidden, as a child of `sheet`; throws std::runtime_error when
// Windows cannot make it (a custom control whose class is not registered). Multi-line edits
// keep their selection on Tab (KeepSelectionOnTab); static panels (kStaticEdge) go below
// the other controls.
HWND CreatePageWindow(HWND sheet, const DialogTemplate& dialogTemplate);
// Whether `page` is a window made by CreatePageWindow.
bool IsPageWindow(HWND page);

// Handlers of a control `id` of `page`; nothing for a window not made by CreatePageWindow
// or no such control.
void AddClicked(HWND page, int id, std::function<void()> handler);
void AddTextChanged(HWND page, int id, std::function<void(const std::string&)> handler);
void AddFocusIn(HWND page, int id, std::function<void()> handler);
void AddListAdded(HWND page, int id, std::function<void(int)> handler);
void AddFilesDropped(HWND page, int id,
                     std::function<void(const std::vector<std::string>&)> handler);
// Calls the list-added handlers of `id`.
void NotifyListAdded(HWND page, int id, int row);

// What the control paints behind itself. An edit, which paints its own background, gets
// the window colour either way (a read-only one too, which Windows paints grey).
void SetFill(HWND page, int id, Fill fill);
// The control's font: `font.pixelHeight` pixels at 96 DPI, scaled to the screen's; the
// font is made once per page and FontSpec, and deleted with the page.
void SetFont(HWND page, int id, const FontSpec& font);
// The bitmap a picture control (SS_BITMAP) shows; the page keeps a copy of the Picture
// while the control shows it.
void SetPicture(HWND page, int id, const Picture& picture);
// Whether `id` paints nothing behind itself (Fill::Transparent).
bool IsTransparent(HWND page, int id);

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_PAGE_WINDOW_H_
