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
  const bool opened = framework::OpenLink(m_strTarget.toStdString());
  Do(opened ? m_state.OnOpened() : m_state.OnOpenFailed());
}

void CHyperLink::FitWindowToText() {
  if (!(m_state.Flags() & LinkFitToText)) return;
  const QSize textSize = QFontMetrics(m_fontLink).size(0, text());
  const QRect rc = geometry();
  const Qt::Alignment align = alignment();
  const LinkHAlign hAlign = align & Qt::AlignHCenter ? LinkHAlign::Centre
                            : align & Qt::AlignRight ? LinkHAlign::Right
                                                     : LinkHAlign::Left;
  const LinkVAlign vAlign = align & Qt::AlignVCenter ? LinkVAlign::Centre : LinkVAlign::Top;
  // The frame and margins stay around the text.
  const QSize borders = size() - contentsRect().size() + QSize(2 * margin(), 2 * margin());
  const LinkRect fitted = FitToText({rc.left(), rc.top(), rc.width(), rc.height()},
                                    {textSize.width(), textSize.height()},
                                    {borders.width(), borders.height()}, hAlign, vAlign);
  setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
  update();
}

void CHyperLink::ShowOpenError(int code) {
  framework::ShowMessageBox(framework::qt::Native(window()), OpenErrorMessage(code), kCaption,
                            framework::MessageIcon::Exclamation);
}

void CHyperLink::SetLinkFlags(std::uint32_t flags) { Do(m_state.SetFlags(flags)); }

QColor CHyperLink::TextColour() const { return QColor(QtRgb(m_state.TextColour())); }

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
  m_fontLink.setUnderline(m_state.Flags() & LinkUnderline);
  setFont(m_fontLink);
  FitWindowToText();

  if (!(m_state.Flags() & LinkNoHandCursor)) setCursor(Qt::PointingHandCursor);
  setToolTip(m_strTarget);
}

void CHyperLink::Do(const LinkRequests& requests) {
  if (requests.takeFocus) setFocus(Qt::MouseFocusReason);
  if (requests.open) OpenLinkTarget();
  if (requests.beep) QApplication::beep();
  // The desktop does not say why an address could not be opened.
  if (requests.showError) ShowOpenError(kNoAssociation);
  if (requests.repaint) Invalidate();
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
  Do(m_state.OnMouseEnter());
  QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
  Do(m_state.OnMouseLeave());
  QLabel::leaveEvent(event);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
  Do(m_state.OnMouseMove(rect().contains(event->position().toPoint())));
  QLabel::mouseMoveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  event->accept();
  Do(m_state.OnLeftButtonDown());
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  Do(m_state.OnLeftButtonUp(rect().contains(event->position().toPoint())));
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    QLabel::keyPressEvent(event);
    return;
  }
  event->accept();
  Do(m_state.OnSpaceDown(event->isAutoRepeat()));
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
  Do(m_state.OnFocusIn());
  QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
  Do(m_state.OnFocusOut());
  QLabel::focusOutEvent(event);
}

}  // namespace vantor::wizard
