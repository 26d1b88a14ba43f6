// What a link control is in, the colour its text shows and what it asks of its window
// when something happens to it, in standard C++ so that the link behaves alike in every
// toolkit. The toolkit's control owns one HyperLinkState, tells it each event and does
// what the answer asks. User-interface thread only.
#ifndef VANTOR_WIZARD_HYPERLINK_STATE_H_
#define VANTOR_WIZARD_HYPERLINK_STATE_H_

#include <cstdint>
#include <string>

namespace vantor::wizard {

// A colour as its red, green and blue parts, 0 to 255 each.
struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(Rgb, Rgb) = default;
};

// What the control is to do after an event, in the order of the members.
struct LinkRequests {
  // Take the keyboard focus as a click gives it; the toolkit then reports OnFocusIn.
  bool takeFocus = false;
  // Open the address, then report OnOpened or OnOpenFailed.
  bool open = false;
  // Sound the warning beep, then show OpenErrorMessage(code) for the failure's code
  // (kNoAssociation when the toolkit cannot tell) in a box with the exclamation icon and
  // the program's name as its caption, owned by the control's window, until it is closed.
  bool beep = false;
  bool showError = false;
  // Draw the text again, in TextColour().
  bool repaint = false;

  friend bool operator==(const LinkRequests&, const LinkRequests&) = default;
};

class HyperLinkState {
 public:
  // Option bits of Flags().
  enum : std::uint32_t {
    LinkUnderline = 0x01,       // the link font is underlined
    LinkHoverColour = 0x02,     // HoverColour while the mouse is over the link
    LinkFitToText = 0x04,       // the control is resized to its text (FitToText)
    LinkOpenOnPress = 0x08,     // opens when the left button goes down, not when it comes up
    LinkFocusOnClick = 0x10,    // a left-button press gives the link the focus
    LinkNoHandCursor = 0x20,    // the control keeps the ordinary cursor
    LinkNoActiveColour = 0x40,  // ActiveColour is never used
  };
  static constexpr std::uint32_t DefaultLinkFlags =
      LinkUnderline | LinkFitToText | LinkFocusOnClick;

  static constexpr Rgb LinkColour{0, 0, 255};       // not yet visited
  static constexpr Rgb ActiveColour{0, 128, 128};   // armed
  static constexpr Rgb VisitedColour{128, 0, 128};  // visited
  static constexpr Rgb HoverColour{255, 0, 0};      // under the mouse

  std::uint32_t Flags() const { return m_dwLinkFlags; }
  // The colour flags take effect at once; the others are for the toolkit's control to
  // read when it sets itself up.
  LinkRequests SetFlags(std::uint32_t flags);

  bool IsArmed() const { return m_bArmed; }
  bool IsHot() const { return m_bHot; }
  bool IsVisited() const { return m_bVisited; }
  // The colour to draw the text in now: HoverColour when hot and asked for, else
  // ActiveColour when armed and not refused, else VisitedColour or LinkColour.
  Rgb TextColour() const;

  // The mouse came over the control, or left it.
  LinkRequests OnMouseEnter();
  LinkRequests OnMouseLeave();
  // The mouse moved, `inside` the control or not (while the button is held it may be
  // elsewhere). Over the control it makes the link hot again after losing the focus.
  LinkRequests OnMouseMove(bool inside);
  // The left button went down on the control: the link is armed; with LinkFocusOnClick
  // it takes the focus, with LinkOpenOnPress it opens.
  LinkRequests OnLeftButtonDown();
  // The left button came up, `inside` the control or not, after going down on it.
  // Inside an armed link it opens (unless it did on the press); outside, the click is
  // taken back.
  LinkRequests OnLeftButtonUp(bool inside);
  // The space bar went down while the control has the focus. It opens the link once per
  // press: the keyboard's repeats (`autoRepeat`) and the bar's release ask nothing, and
  // no other key concerns the link.
  LinkRequests OnSpaceDown(bool autoRepeat);
  // The control got the focus (armed) or lost it (neither armed nor hot).
  LinkRequests OnFocusIn();
  LinkRequests OnFocusOut();
  // The address was opened (the link becomes visited), or nothing could open it (a
  // beep and the error box; the link stays as it was).
  LinkRequests OnOpened();
  LinkRequests OnOpenFailed();

 private:
  bool m_bArmed = false;    // has the focus, or the left button went down on it
  bool m_bHot = false;      // the mouse is over it
  bool m_bVisited = false;  // opened at least once
  std::uint32_t m_dwLinkFlags = DefaultLinkFlags;
};

// The code of a failure to open for which nothing more is known: no program is there to
// open the address.
inline constexpr int kNoAssociation = 31;

// What went wrong, for the codes a shell's open answers below 33; any other code as
// "Unknown Error (<code>) occurred.".
std::string OpenErrorText(int code);
// The error box's text: "Can't open link:", a blank line and OpenErrorText(code).
std::string OpenErrorMessage(int code);

struct LinkSize {
  int width = 0;
  int height = 0;

  friend bool operator==(LinkSize, LinkSize) = default;
};

struct LinkRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(LinkRect, LinkRect) = default;
};

// The edges or centres the control holds its text to.
enum class LinkHAlign { Left, Centre, Right };
enum class LinkVAlign { Top, Centre };

// The rectangle of a control at `control` shrunk or grown to a `text` of that size: the
// edge or centre the text is aligned to stays where it was (a centred side moves by half
// the difference in size, truncated toward zero), and `borders` (frame and margins, both
// sides together) are added around the text.
LinkRect FitToText(LinkRect control, LinkSize text, LinkSize borders, LinkHAlign hAlign,
                   LinkVAlign vAlign);

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_HYPERLINK_STATE_H_
