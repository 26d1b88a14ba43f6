// What the framework hands between the pages and the toolkit underneath: plain values
// with no toolkit type in them.
#ifndef VANTOR_WIZARD_FRAMEWORK_TYPES_H_
#define VANTOR_WIZARD_FRAMEWORK_TYPES_H_

#include <memory>
#include <string>
#include <utility>

namespace vantor::framework {

// A window of the toolkit underneath (a page, the sheet), to own a dialog or be
// compared; never looked into outside the toolkit's own code. Empty: no window.
struct NativeWindow {
  void* handle = nullptr;

  explicit operator bool() const { return handle != nullptr; }
  friend bool operator==(NativeWindow, NativeWindow) = default;
};

// A size in pixels.
struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(Size, Size) = default;
};

// A font given by its character height in pixels (the em size); a family that is not
// installed gives way to the desktop's sans-serif font.
struct FontSpec {
  std::string family;
  int pixelHeight = 0;
  bool bold = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// What a control paints behind itself: nothing (its parent shows through), or the
// window colour, the white of edit fields, also where the control would be grey.
enum class Fill { Transparent, WindowColour };

// An image of the toolkit underneath, shared by every control that shows it; empty: no
// image. Only the toolkit's own code looks into it.
class Picture {
 public:
  Picture() = default;
  explicit Picture(std::shared_ptr<const void> image) : m_image(std::move(image)) {}

  bool IsNull() const { return m_image == nullptr; }
  const void* Get() const { return m_image.get(); }
  // The same image, not merely an equal one.
  friend bool operator==(const Picture&, const Picture&) = default;

 private:
  std::shared_ptr<const void> m_image;
};

// A control of the wizard's own, made from its class name in a template; pages cast it to
// what they know it to be.
class CustomControl {
 public:
  virtual ~CustomControl() = default;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_TYPES_H_
