// The Win32 image behind a Picture: a bitmap (HBITMAP) that the Picture owns, shared by
// every copy of it and deleted (DeleteObject) when the last copy goes. A picture control
// showing it holds a copy, so the bitmap outlives the control's use of it even when the
// page lets its own copy go. The bitmap must not be selected into a device context while
// a control draws it. Any thread may make one; the controls use it on the page's thread.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_PICTURE_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_PICTURE_H_

#include <windows.h>

#include <memory>

#include "wizard/framework/types.h"

namespace vantor::framework::win32 {

// Takes ownership of `bitmap`; an empty Picture for nullptr.
inline Picture MakePicture(HBITMAP bitmap) {
  if (bitmap == nullptr) return Picture();
  return Picture(std::shared_ptr<const void>(bitmap, [](HBITMAP owned) { DeleteObject(owned); }));
}
// The bitmap, still owned by the Picture; nullptr for an empty one.
inline HBITMAP BitmapOf(const Picture& picture) {
  return static_cast<HBITMAP>(const_cast<void*>(picture.Get()));
}

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_PICTURE_H_
