// The window behind a NativeWindow on Win32, and back.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_NATIVE_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_NATIVE_H_

#include <windows.h>

#include "wizard/framework/types.h"

namespace vantor::framework::win32 {

inline NativeWindow Native(HWND window) { return NativeWindow{window}; }
inline HWND Window(NativeWindow window) { return static_cast<HWND>(window.handle); }

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_NATIVE_H_
