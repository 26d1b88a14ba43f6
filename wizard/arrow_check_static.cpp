#include "wizard/arrow_check_static.h"

#include <QPaintEvent>
#include <QPainter>
#include <vector>

#include "wizard/arrow_check_pixels.h"

namespace vantor::wizard {

namespace {

// Paints the runs as black rectangles one pixel high: the pixels every toolkit draws.
void Fill(QPainter& painter, const std::vector<PixelRun>& runs) {
  for (const PixelRun& run : runs) painter.fillRect(run.x, run.y, run.length, 1, Qt::black);
}

// The widget whose background shows behind `widget`: the nearest ancestor that paints
// its own background. Null for a window.
const QWidget* BackgroundOwner(const QWidget* widget) {
  for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->parentWidget()) {
    if (w->autoFillBackground() || w->isWindow()) return w;
  }
  return nullptr;
}

}  // namespace

CArrowCheckStatic::CArrowCheckStatic(QWidget* parent) : QWidget(parent) {}

QWidget* CArrowCheckStatic::Create(QWidget* parent) { return new CArrowCheckStatic(parent); }

void CArrowCheckStatic::SetState(int nState, bool redraw) {
  m_nState = nState;
  if (redraw) repaint();
}

bool CArrowCheckStatic::IsChecked() const { return m_nState == StateCheck; }

bool CArrowCheckStatic::IsArrow() const { return m_nState == StateArrow; }

void CArrowCheckStatic::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // The control has no colour of its own: it takes the brush of the widget it sits on,
  // lined up with that widget so that a pattern runs on without a seam.
  if (const QWidget* owner = BackgroundOwner(this)) {
    painter.setBrushOrigin(-mapTo(owner, QPoint(0, 0)));
    painter.fillRect(rect(), owner->palette().brush(owner->backgroundRole()));
  }
  if (m_nState == StateArrow) {
    DrawArrow(painter);
  } else if (m_nState == StateCheck) {
    DrawCheck(painter);
  }
}

void CArrowCheckStatic::DrawArrow(QPainter& painter) {
  Fill(painter, ArrowPixels(width(), height()));
}

void CArrowCheckStatic::DrawCheck(QPainter& painter) {
  Fill(painter, CheckPixels(width(), height()));
}

}  // namespace vantor::wizard
