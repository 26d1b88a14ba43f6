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
#ifndef VANTOR_WIZARD_HYPERLINK_H_
#define VANTOR_WIZARD_HYPERLINK_H_

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <cstdint>

namespace vantor::wizard {

class CHyperLink : public QLabel {
  Q_OBJECT

 public:
  // Option bits of `LinkFlags`.
  enum : std::uint32_t {
    LinkUnderline = 0x01,       // the link font is underlined
    LinkHoverColour = 0x02,     // HoverColour while the mouse is over the link
    LinkFitToText = 0x04,       // the control is resized to its text
    LinkOpenOnPress = 0x08,     // opens when the left button goes down, not when it comes up
    LinkFocusOnClick = 0x10,    // a left-button press gives the link the focus
    LinkNoHandCursor = 0x20,    // the control keeps the ordinary cursor
    LinkNoActiveColour = 0x40,  // ActiveColour is never used
  };
  static constexpr std::uint32_t DefaultLinkFlags =
      LinkUnderline | LinkFitToText | LinkFocusOnClick;

  static constexpr QRgb LinkColour = qRgb(0, 0, 255);       // not yet visited
  static constexpr QRgb ActiveColour = qRgb(0, 128, 128);   // armed
  static constexpr QRgb VisitedColour = qRgb(128, 0, 128);  // visited
  static constexpr QRgb HoverColour = qRgb(255, 0, 0);      // under the mouse

  explicit CHyperLink(QWidget* parent = nullptr);

  // The factory the page templates use for this kind of control.
  static QWidget* Create(QWidget* parent);

  // Sets the address to open; the visible text stays. Once the control has been set up,
  // it is fitted to its text again, and the tooltip shows the new address at once.
  void SetLinkTarget(const QString& target);
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

  std::uint32_t LinkFlags() const { return m_dwLinkFlags; }
  // The colour flags take effect at once; underline, fitting and cursor are settled when
  // the control is first shown, so set those before.
  void SetLinkFlags(std::uint32_t flags);

  bool IsArmed() const { return m_bArmed; }
  bool IsHot() const { return m_bHot; }
  bool IsVisited() const { return m_bVisited; }
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
  // Takes the colour of the current state and schedules a repaint.
  void Invalidate();

  bool m_bArmed = false;    // has the focus, or the left button went down on it
  bool m_bHot = false;      // the mouse is over it
  bool m_bVisited = false;  // opened at least once
  std::uint32_t m_dwLinkFlags = DefaultLinkFlags;
  QString m_strTarget;
  QFont m_fontLink;
  bool m_bSetUp = false;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_HYPERLINK_H_
