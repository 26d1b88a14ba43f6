// How a control of the wizard's own window class (ControlKind::Custom) is found by a page:
// the window keeps its CustomControl* in GWLP_USERDATA from its WM_NCCREATE (or WM_CREATE)
// to its WM_NCDESTROY, where it clears it before the object goes. Nothing else may use
// GWLP_USERDATA of such a window. Whatever the object is, it owns its own state; the page
// never deletes it. The window's thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_CUSTOM_CONTROL_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_CUSTOM_CONTROL_H_

#include <windows.h>

#include "wizard/framework/types.h"

namespace vantor::framework::win32 {

// For the custom control's window procedure: `control` is what pages get for `window`;
// nullptr when the object goes.
inline void SetCustomControl(HWND window, CustomControl* control) {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
}
inline CustomControl* CustomControlOf(HWND window) {
  return window == nullptr
             ? nullptr
             : reinterpret_cast<CustomControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_CUSTOM_CONTROL_H_
