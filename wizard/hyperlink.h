// A static text that shows a web address as a link and opens it in the desktop's browser:
// blue until it has been opened, purple afterwards, teal while it has the focus or the
// mouse button went down on it, and red under the mouse when asked for. A tooltip shows
// the address. User-interface thread only.
//
// The page creates the control (through `Create` from its template), gives it its text
// and usually its address (`SetLinkTarget`); the rest is settled when the control is
// first shown: an empty address takes the text and an empty text the address, the font
// becomes the link font (underlined by default), the control shrinks to its text, and the
// pointing hand becomes its cursor.
//
// What the link is in, its colours and what each event does are HyperLinkState's
// (hyperlink_state.h), which every toolkit's link shares; this is its Qt widget.
#ifndef VANTOR_WIZARD_HYPERLINK_H_
#define VANTOR_WIZARD_HYPERLINK_H_

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <cstdint>

#include "wizard/controls.h"
#include "wizard/hyperlink_state.h"

namespace vantor::wizard {

// A colour of the shared link state as Qt's.
constexpr QRgb QtRgb(Rgb colour) { return qRgb(colour.red, colour.green, colour.blue); }

class CHyperLink : public QLabel, public LinkControl {
  Q_OBJECT

 public:
  // Option bits of `LinkFlags`, described at HyperLinkState.
  enum : std::uint32_t {
    LinkUnderline = HyperLinkState::LinkUnderline,
    LinkHoverColour = HyperLinkState::LinkHoverColour,
    LinkFitToText = HyperLinkState::LinkFitToText,
    LinkOpenOnPress = HyperLinkState::LinkOpenOnPress,
    LinkFocusOnClick = HyperLinkState::LinkFocusOnClick,
    LinkNoHandCursor = HyperLinkState::LinkNoHandCursor,
    LinkNoActiveColour = HyperLinkState::LinkNoActiveColour,
  };
  static constexpr std::uint32_t DefaultLinkFlags = HyperLinkState::DefaultLinkFlags;

  static constexpr QRgb LinkColour = QtRgb(HyperLinkState::LinkColour);
  static constexpr QRgb ActiveColour = QtRgb(HyperLinkState::ActiveColour);
  static constexpr QRgb VisitedColour = QtRgb(HyperLinkState::VisitedColour);
  static constexpr QRgb HoverColour = QtRgb(HyperLinkState::HoverColour);

  explicit CHyperLink(QWidget* parent = nullptr);

  // The factory the page templates use for this kind of control.
  static QWidget* Create(QWidget* parent);

  // Sets the address to open; the visible text stays. Once the control has been set up,
  // it is fitted to its text again, and the tooltip shows the new address at once.
  void SetLinkTarget(const QString& target);
  void SetLinkTarget(const std::string& target) override {
    SetLinkTarget(QString::fromStdString(target));
  }
  const QString& LinkTarget() const { return m_strTarget; }

  // Opens the address with the desktop's browser. The link becomes visited; when nothing
  // can open it, a beep and the error box of ShowOpenError(31), and it stays as it was.
  void OpenLinkTarget();

  // With LinkFitToText: resizes the control to its text in the link font, keeping the
  // edge or the centre its alignment holds text to (top or vertical centre; left, right
  // or horizontal centre). Without the flag, does nothing.
  void FitWindowToText();

  // Shows "Can't open link:" and the text of `code` in a message box with the exclamation
  // icon, and returns when it is closed.
  void ShowOpenError(int code);

  std::uint32_t LinkFlags() const { return m_state.Flags(); }
  // The colour flags take effect at once; underline, fitting and cursor are settled when
  // the control is first shown, so set those before.
  void SetLinkFlags(std::uint32_t flags);

  bool IsArmed() const { return m_state.IsArmed(); }
  bool IsHot() const { return m_state.IsHot(); }
  bool IsVisited() const { return m_state.IsVisited(); }
  // The colour the text is drawn in now.
  QColor TextColour() const;

 protected:
  bool event(QEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SetUp();
  // Does what the state asks after an event, in the order LinkRequests gives.
  void Do(const LinkRequests& requests);
  // Takes the colour of the current state and schedules a repaint.
  void Invalidate();

  HyperLinkState m_state;
  QString m_strTarget;
  QFont m_fontLink;
  bool m_bSetUp = false;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_HYPERLINK_H_
