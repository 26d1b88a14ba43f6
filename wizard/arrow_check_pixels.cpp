#include "wizard/arrow_check_pixels.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace vantor::wizard {

namespace {

struct Point {
  int x;
  int y;
};

// The pixels a pen would set going from a current position: one pixel wide, every
// pixel from `from` up to but not including `to`. The marks use only horizontal and
// diagonal lines, where every line algorithm picks the same pixels.
void LineTo(std::vector<Point>& pixels, Point from, Point to) {
  const int dx = std::abs(to.x - from.x);
  const int dy = -std::abs(to.y - from.y);
  const int sx = from.x < to.x ? 1 : -1;
  const int sy = from.y < to.y ? 1 : -1;
  int err = dx + dy;
  int x = from.x;
  int y = from.y;
  while (x != to.x || y != to.y) {
    pixels.push_back({x, y});
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

// The pixels inside the control as the fewest runs: the check's strokes cross and the
// lines of a stroke share rows, so one pixel may come more than once.
std::vector<PixelRun> Runs(std::vector<Point> pixels, int width, int height) {
  std::erase_if(pixels,
                [&](Point p) { return p.x < 0 || p.x >= width || p.y < 0 || p.y >= height; });
  std::sort(pixels.begin(), pixels.end(),
            [](Point a, Point b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  std::vector<PixelRun> runs;
  for (const Point p : pixels) {
    if (!runs.empty() && runs.back().y == p.y && runs.back().x + runs.back().length >= p.x) {
      runs.back().length = std::max(runs.back().length, p.x - runs.back().x + 1);
    } else {
      runs.push_back({p.x, p.y, 1});
    }
  }
  return runs;
}

}  // namespace

// Sizes are truncated toward zero at each step, which decides on which side an odd pixel
// goes; changing the order of the arithmetic moves the marks by a pixel.
std::vector<PixelRun> ArrowPixels(int width, int height) {
  const int h = height;
  const int w = width;
  const int n = static_cast<int>(0.3125 * h);
  const int x0 = static_cast<int>((w - 0.3125 * h) / 2);
  const int y0 = static_cast<int>((h - 0.625 * h) / 2);
  std::vector<Point> pixels;
  for (int j = 0; j < n; ++j) LineTo(pixels, {x0, y0 + j}, {x0 + j + 1, y0 + j});
  for (int i = 0; i < n - 1; ++i) LineTo(pixels, {x0, y0 + n + i}, {x0 + n - 1 - i, y0 + n + i});
  return Runs(std::move(pixels), w, h);
}

std::vector<PixelRun> CheckPixels(int width, int height) {
  const int h = height;
  const int w = width;
  const double u = h / 11.0;
  const int x0 = static_cast<int>((w - 8 * u) / 2);
  const int y0 = static_cast<int>(3 * u);
  const int t = static_cast<int>(2.5 * u);
  const int L = static_cast<int>(5 * u);
  const int x1 = x0 + t - 1;
  const int y1 = y0 + t - 1;
  std::vector<Point> pixels;
  for (int i = 0; i < t; ++i) LineTo(pixels, {x0, y0 + i}, {x1, y1 + i});
  for (int i = 0; i < t; ++i) LineTo(pixels, {x1, y1 + i}, {x1 + L, y1 - L + i});
  return Runs(std::move(pixels), w, h);
}

}  // namespace vantor::wizard
