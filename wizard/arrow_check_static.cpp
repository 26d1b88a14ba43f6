#include "wizard/arrow_check_static.h"

#include <QPaintEvent>
#include <QPainter>
#include <cstdlib>

namespace vantor::wizard {

namespace {

// A line as a pen draws it from a current position: one pixel wide, every pixel from
// `from` up to but not including `to`. The marks use only horizontal and diagonal lines,
// where every line algorithm picks the same pixels.
void LineTo(QPainter& painter, QPoint from, QPoint to) {
  const int dx = std::abs(to.x() - from.x());
  const int dy = -std::abs(to.y() - from.y());
  const int sx = from.x() < to.x() ? 1 : -1;
  const int sy = from.y() < to.y() ? 1 : -1;
  int err = dx + dy;
  int x = from.x();
  int y = from.y();
  while (x != to.x() || y != to.y()) {
    painter.fillRect(x, y, 1, 1, Qt::black);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
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

// Sizes are truncated toward zero at each step, which decides on which side an odd pixel
// goes; changing the order of the arithmetic moves the marks by a pixel.
void CArrowCheckStatic::DrawArrow(QPainter& painter) {
  const int h = height();
  const int w = width();
  const int n = static_cast<int>(0.3125 * h);
  const int x0 = static_cast<int>((w - 0.3125 * h) / 2);
  const int y0 = static_cast<int>((h - 0.625 * h) / 2);
  for (int j = 0; j < n; ++j) LineTo(painter, {x0, y0 + j}, {x0 + j + 1, y0 + j});
  for (int i = 0; i < n - 1; ++i) LineTo(painter, {x0, y0 + n + i}, {x0 + n - 1 - i, y0 + n + i});
}

void CArrowCheckStatic::DrawCheck(QPainter& painter) {
  const int h = height();
  const int w = width();
  const double u = h / 11.0;
  const int x0 = static_cast<int>((w - 8 * u) / 2);
  const int y0 = static_cast<int>(3 * u);
  const int t = static_cast<int>(2.5 * u);
  const int L = static_cast<int>(5 * u);
  const int x1 = x0 + t - 1;
  const int y1 = y0 + t - 1;
  for (int i = 0; i < t; ++i) LineTo(painter, {x0, y0 + i}, {x1, y1 + i});
  for (int i = 0; i < t; ++i) LineTo(painter, {x1, y1 + i}, {x1 + L, y1 - L + i});
}

}  // namespace vantor::wizard
