// What the framework hands between the pages and the toolkit underneath: plain values
// with no toolkit type in them.
#ifndef VANTOR_WIZARD_FRAMEWORK_TYPES_H_
#define VANTOR_WIZARD_FRAMEWORK_TYPES_H_

namespace vantor::framework {

// A window of the toolkit underneath (a page, the sheet), to own a dialog or be
// compared; never looked into outside the toolkit's own code. Empty: no window.
struct NativeWindow {
  void* handle = nullptr;

  explicit operator bool() const { return handle != nullptr; }
  friend bool operator==(NativeWindow, NativeWindow) = default;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_TYPES_H_
