#include "wizard/hyperlink.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/qt/native.h"

namespace vantor::wizard {

namespace {

constexpr char kCaption[] = "Zelcor Vantor";

// What the shell answers when no program opens the address; every failure to open a
// link is told with this code.
constexpr int kNoAssociation = 31;

struct OpenError {
  int code;
  const char* text;
};

constexpr OpenError kOpenErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

QString OpenErrorText(int code) {
  for (const OpenError& error : kOpenErrors) {
    if (error.code == code) return QString::fromLatin1(error.text);
  }
  return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
}

}  // namespace

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {
  // An address is never markup, and like any plain static the text sits at the top left
  // unless the template says otherwise.
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFocusPolicy(Qt::TabFocus);
  setMouseTracking(true);
  Invalidate();
}

QWidget* CHyperLink::Create(QWidget* parent) { return new CHyperLink(parent); }

void CHyperLink::SetLinkTarget(const QString& target) {
  m_strTarget = target;
  if (m_bSetUp) FitWindowToText();
  setToolTip(m_strTarget);
}

void CHyperLink::OpenLinkTarget() {
  if (framework::OpenLink(m_strTarget.toStdString())) {
    m_bVisited = true;
    Invalidate();
  } else {
    QApplication::beep();
    ShowOpenError(kNoAssociation);
  }
}

void CHyperLink::FitWindowToText() {
  if (!(m_dwLinkFlags & LinkFitToText)) return;
  const QSize textSize = QFontMetrics(m_fontLink).size(0, text());
  QRect rc = geometry();
  const Qt::Alignment align = alignment();

  if (align & Qt::AlignVCenter) rc.moveTop(rc.top() + (rc.height() - textSize.height()) / 2);
  rc.setHeight(textSize.height());

  if (align & Qt::AlignHCenter) {
    rc.moveLeft(rc.left() + (rc.width() - textSize.width()) / 2);
  } else if (align & Qt::AlignRight) {
    rc.moveLeft(rc.left() + rc.width() - textSize.width());
  }
  rc.setWidth(textSize.width());

  // The frame and margins stay around the text.
  const QSize borders = size() - contentsRect().size() + QSize(2 * margin(), 2 * margin());
  rc.setSize(rc.size() + borders);
  setGeometry(rc);
  update();
}

void CHyperLink::ShowOpenError(int code) {
  framework::ShowMessageBox(framework::qt::Native(window()),
                            "Can't open link:\n\n" + OpenErrorText(code).toStdString(), kCaption,
                            framework::MessageIcon::Exclamation);
}

void CHyperLink::SetLinkFlags(std::uint32_t flags) {
  m_dwLinkFlags = flags;
  Invalidate();
}

QColor CHyperLink::TextColour() const {
  if (m_bHot && (m_dwLinkFlags & LinkHoverColour)) return QColor(HoverColour);
  if (m_bArmed && !(m_dwLinkFlags & LinkNoActiveColour)) return QColor(ActiveColour);
  return QColor(m_bVisited ? VisitedColour : LinkColour);
}

// The page has given the control its text and maybe its address by the time it is
// polished, just before it is first shown.
bool CHyperLink::event(QEvent* event) {
  const bool result = QLabel::event(event);
  if (event->type() == QEvent::Polish && !m_bSetUp) SetUp();
  return result;
}

void CHyperLink::SetUp() {
  m_bSetUp = true;
  if (m_strTarget.isEmpty()) m_strTarget = text();
  if (text().isEmpty()) setText(m_strTarget);

  m_fontLink = font();
  m_fontLink.setUnderline(m_dwLinkFlags & LinkUnderline);
  setFont(m_fontLink);
  FitWindowToText();

  if (!(m_dwLinkFlags & LinkNoHandCursor)) setCursor(Qt::PointingHandCursor);
  setToolTip(m_strTarget);
}

void CHyperLink::Invalidate() {
  // Only the text colour is the link's own; everything else still comes from the page,
  // and the background is left unpainted so that the page shows through.
  QPalette own;
  own.setColor(QPalette::WindowText, TextColour());
  setPalette(own);
  update();
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  m_bHot = true;
  Invalidate();
  QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
  m_bHot = false;
  Invalidate();
  QLabel::leaveEvent(event);
}

// Losing the focus also ends the hover; the next move over the link brings it back.
void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
  if (!m_bHot && rect().contains(event->position().toPoint())) {
    m_bHot = true;
    Invalidate();
  }
  QLabel::mouseMoveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  event->accept();
  if (m_dwLinkFlags & LinkFocusOnClick) setFocus(Qt::MouseFocusReason);
  if (m_dwLinkFlags & LinkOpenOnPress) OpenLinkTarget();
  m_bArmed = true;
  Invalidate();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  // Letting go outside the link is how a press is taken back.
  if (m_bArmed && !(m_dwLinkFlags & LinkOpenOnPress) &&
      rect().contains(event->position().toPoint()))
    OpenLinkTarget();
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    QLabel::keyPressEvent(event);
    return;
  }
  event->accept();
  // Holding the bar down opens the address once, not once per repeat.
  if (!event->isAutoRepeat()) OpenLinkTarget();
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
  m_bArmed = true;
  Invalidate();
  QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
  m_bHot = false;
  m_bArmed = false;
  Invalidate();
  QLabel::focusOutEvent(event);
}

}  // namespace vantor::wizard
