// Dialog templates as data: what a page window holds, in the order its controls are
// created (which is also the tab order), with rectangles in dialog units. The templates
// are static tables that live for the whole program; pages keep references to them.
#ifndef VANTOR_WIZARD_FRAMEWORK_DIALOG_TEMPLATE_H_
#define VANTOR_WIZARD_FRAMEWORK_DIALOG_TEMPLATE_H_

#include <cstdint>
#include <vector>

namespace vantor::framework {

// The id of a control that nobody looks up (a plain label).
inline constexpr int kNoId = -1;

enum class ControlKind {
  Static,   // text label
  Picture,  // label that shows a pixmap
  Edit,     // one-line field, or a text box with kMultiLine
  PushButton,
  CheckBox,     // automatic: a click toggles it
  RadioButton,  // automatic: a click checks it and unchecks the others of its group
  ListBox,      // single selection, not sorted
  ProgressBar,
  Custom,  // a control of the window class the template names
};

// Style bits of a control.
enum ControlStyle : std::uint32_t {
  kDisabled = 1u << 0,
  kGroup = 1u << 1,        // starts a new group of radio buttons
  kTabStop = 1u << 2,      // reached by Tab; on a radio button, its whole group is
  kStaticEdge = 1u << 3,   // thin sunken edge; a static with it is a background panel
  kTransparent = 1u << 4,  // drawn over its siblings, with no background of its own
  kBorder = 1u << 5,
  kReadOnly = 1u << 6,
  kMultiLine = 1u << 7,
  kAutoHScroll = 1u << 8,   // text scrolls sideways instead of wrapping
  kVScroll = 1u << 9,       // vertical scroll bar always there
  kHScroll = 1u << 10,      // horizontal scroll bar always there
  kEndEllipsis = 1u << 11,  // a text too long for the label ends in "..."
  kWordEllipsis = 1u << 12,
  kCenterImage = 1u << 13,
  kSmooth = 1u << 14,  // progress bar drawn as one bar, not in blocks
};

// A control's rectangle in dialog units.
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::Static;
  DialogRect rect;
  const char* text = "";  // UTF-8; "&" marks a button's mnemonic
  std::uint32_t style = 0;
  const char* customClass = nullptr;  // for ControlKind::Custom: its window class
};

struct DialogTemplate {
  int id = 0;
  int width = 0;  // dialog units
  int height = 0;
  const char* caption = "";  // the sheet's title while the page is active
  std::vector<ControlTemplate> controls;
  const char* fontFamily = "MS Shell Dlg";
  int fontPointSize = 8;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_DIALOG_TEMPLATE_H_
