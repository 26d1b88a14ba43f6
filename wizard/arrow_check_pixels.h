// The marks of the processing page's arrow/check control as pixels, in standard C++ so
// that every toolkit draws the same ones: each toolkit's control fills its background and
// then paints these runs black.
#ifndef VANTOR_WIZARD_ARROW_CHECK_PIXELS_H_
#define VANTOR_WIZARD_ARROW_CHECK_PIXELS_H_

#include <vector>

namespace vantor::wizard {

// A row of `length` black pixels from (x, y) to the right, in pixels of the control
// with (0, 0) its top left corner.
struct PixelRun {
  int x = 0;
  int y = 0;
  int length = 0;

  friend bool operator==(const PixelRun&, const PixelRun&) = default;
};

// The marks for a control `width` by `height` pixels. The runs lie inside the control
// (a mark larger than the control is cut at its edges), are ordered by row and then by
// x, and neither touch nor overlap; no mark fits a control of no size.
//
// The arrow is a solid triangle pointing right, n = trunc(0.3125 h) pixels wide and
// 2n - 1 high, centred: its rows are 1, 2, ... n, n - 1, ... 1 pixels long.
std::vector<PixelRun> ArrowPixels(int width, int height);
// The check is a short stroke down to the right and a long one up to the right,
// t = trunc(2.5 h / 11) pixels thick; below h = 5 the strokes are too thin to draw.
std::vector<PixelRun> CheckPixels(int width, int height);

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_ARROW_CHECK_PIXELS_H_
