// The Win32 window of a property sheet (MakeSheetWindow): a top-level dialog whose
// children are the page windows, an etched line and the Back, Next, Finish and Cancel
// buttons, with these ids. For the toolkit's own code and its tests.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_SHEET_DIALOG_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_SHEET_DIALOG_H_

#include <windows.h>

#include "wizard/framework/property_sheet.h"
#include "wizard/framework/win32/native.h"

namespace vantor::framework::win32 {

// Outside the range page templates use; Cancel is IDCANCEL, which Esc presses.
inline constexpr int kBackId = 0x3023;
inline constexpr int kNextId = 0x3024;
inline constexpr int kFinishId = 0x3025;
inline constexpr int kCancelId = IDCANCEL;

inline int ButtonId(SheetButton button) {
  switch (button) {
    case SheetButton::Back:
      return kBackId;
    case SheetButton::Next:
      return kNextId;
    case SheetButton::Finish:
      return kFinishId;
    case SheetButton::Cancel:
      return kCancelId;
  }
  return 0;
}

inline HWND DialogOf(const PropertySheet& sheet) { return Window(sheet.GetWindow()); }
inline HWND ButtonOf(const PropertySheet& sheet, SheetButton button) {
  return GetDlgItem(DialogOf(sheet), ButtonId(button));
}

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_SHEET_DIALOG_H_
