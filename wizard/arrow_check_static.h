// The small square mark beside each action on the processing page: nothing while the
// action waits, a solid arrow while it runs, a check mark once it is done. The marks are
// drawn pixel by pixel with one-pixel black lines, so they look the same at every size
// the page gives them, and in every toolkit. User-interface thread only.
#ifndef VANTOR_WIZARD_ARROW_CHECK_STATIC_H_
#define VANTOR_WIZARD_ARROW_CHECK_STATIC_H_

#include <QWidget>

#include "wizard/controls.h"

class QPainter;

namespace vantor::wizard {

class CArrowCheckStatic : public QWidget, public ArrowCheck {
  Q_OBJECT

 public:
  explicit CArrowCheckStatic(QWidget* parent = nullptr);

  // The factory the page templates use for this kind of control.
  static QWidget* Create(QWidget* parent);

  void SetState(int nState, bool redraw) override;
  bool IsChecked() const override;
  bool IsArrow() const override;

  // The marks, drawn on `painter` over the control's whole rectangle: the black pixels of
  // ArrowPixels and CheckPixels (arrow_check_pixels.h). The arrow is a solid triangle
  // pointing right, trunc(0.3125 h) pixels wide and twice that less one high, centred;
  // the check is a short and a long stroke, trunc(2.5 h / 11) pixels thick.
  virtual void DrawArrow(QPainter& painter);
  virtual void DrawCheck(QPainter& painter);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int m_nState = StateEmpty;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_ARROW_CHECK_STATIC_H_
