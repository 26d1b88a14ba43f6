#include "wizard/arrow_check_pixels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wizard/mark_pictures.h"
namespace vantor::wizard {
namespace {

using test::Empty;
using test::kArrow15x16;
using test::kCheck15x16;
using test::Picture;

// The runs as a picture, '#' black and '.' background; a run outside the control or a
// pixel painted twice fails the test.
Picture Draw(const std::vector<PixelRun>& runs, int width, int height) {
  Picture rows(height, std::string(width, '.'));
  for (const PixelRun& run : runs) {
    EXPECT_TRUE(run.length > 0 && run.y >= 0 && run.y < height && run.x >= 0 &&
                run.x + run.length <= width)
        << "run " << run.x << ", " << run.y << " + " << run.length << " outside";
    if (run.y < 0 || run.y >= height) continue;
    for (int x = run.x; x < run.x + run.length; ++x) {
      if (x < 0 || x >= width) continue;
      EXPECT_EQ(rows[run.y][x], '.') << "painted twice: " << x << ", " << run.y;
      rows[run.y][x] = '#';
    }
  }
  return rows;
}

TEST(ArrowCheckPixelsTest, MarksAt15x16) {
  EXPECT_EQ(Draw(ArrowPixels(15, 16), 15, 16), kArrow15x16);
  EXPECT_EQ(Draw(CheckPixels(15, 16), 15, 16), kCheck15x16);
}

// Where the arrow sits: n = trunc(0.3125 h) wide, its left edge at trunc((w - 0.3125 h) / 2)
// and its top row at trunc((h - 0.625 h) / 2), each truncated on its own.
TEST(ArrowCheckPixelsTest, ArrowSizeAndPlace) {
  struct Case {
    int width, height, left, top, n;
  };
  const Case cases[] = {
      {15, 16, 5, 3, 5},   {16, 16, 5, 3, 5}, {12, 13, 3, 2, 4},
      {40, 40, 13, 7, 12}, {16, 4, 7, 0, 1},  {10, 32, 0, 6, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    std::vector<PixelRun> expected;
    for (int j = 1; j < 2 * c.n; ++j)
      expected.push_back({c.left, c.top + j - 1, j <= c.n ? j : 2 * c.n - j});
    EXPECT_EQ(ArrowPixels(c.width, c.height), expected);
  }
}

// The arrow stays a solid right-pointing triangle n = trunc(0.3125 h) wide and 2n - 1
// high at every size the page's layout may give the control.
TEST(ArrowCheckPixelsTest, ArrowIsASolidTriangleAtEverySize) {
  for (int h = 4; h <= 40; ++h) {
    for (int w : {h - 1, h, h + 3}) {
      SCOPED_TRACE(testing::Message() << w << " x " << h);
      const Picture picture = Draw(ArrowPixels(w, h), w, h);
      const int n = h * 5 / 16;
      std::vector<int> lengths;
      int left = -1;
      for (const std::string& row : picture) {
        const auto first = row.find('#');
        if (first == std::string::npos) continue;
        const auto last = row.rfind('#');
        ASSERT_GT(row.find_first_not_of('#', first), last) << "row with a gap: " << row;
        if (left < 0) left = static_cast<int>(first);
        ASSERT_EQ(static_cast<int>(first), left) << "rows must share their left edge";
        lengths.push_back(static_cast<int>(last - first + 1));
      }
      std::vector<int> expected;
      for (int j = 1; j <= n; ++j) expected.push_back(j);
      for (int j = n - 1; j >= 1; --j) expected.push_back(j);
      EXPECT_EQ(lengths, expected);
      if (n > 0) {
        // Centred on the untruncated width 0.3125 h, so the right margin may be up to two
        // pixels wider than the left.
        EXPECT_GE((w - left - n) - left, -1);
        EXPECT_LE((w - left - n) - left, 2);
      }
    }
  }
}

// Both strokes are t = trunc(2.5 h / 11) thick: the short stroke's first column and the
// long stroke's last are t pixels high. `left` and `right` are the check's outer columns.
TEST(ArrowCheckPixelsTest, CheckStrokeThicknessAndSpan) {
  struct Case {
    int width, height, thickness, left, right;
  };
  const Case cases[] = {
      {15, 16, 3, 1, 9},  {11, 11, 2, 1, 6},  {22, 22, 5, 3, 16},
      {33, 33, 7, 4, 24}, {48, 40, 9, 9, 34}, {5, 5, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    const Picture picture = Draw(CheckPixels(c.width, c.height), c.width, c.height);
    std::vector<int> columnHeights(c.width, 0);
    for (const std::string& row : picture) {
      for (int x = 0; x < c.width; ++x) columnHeights[x] += row[x] == '#';
    }
    int left = 0;
    while (left < c.width && columnHeights[left] == 0) ++left;
    int right = c.width - 1;
    while (right >= 0 && columnHeights[right] == 0) --right;
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(right, c.right);
    ASSERT_LE(left, right);
    EXPECT_EQ(columnHeights[left], c.thickness);
    EXPECT_EQ(columnHeights[right], c.thickness);
  }
}

TEST(ArrowCheckPixelsTest, CheckTooSmallForAStrokeDrawsNothing) {
  EXPECT_EQ(Draw(CheckPixels(4, 4), 4, 4), Empty(4, 4));  // trunc(2.5 * 4 / 11) = 0
  EXPECT_EQ(Draw(CheckPixels(5, 5), 5, 5),
            (Picture{".#...", "#....", ".....", ".....", "....."}));  // one pixel thick
}

// A control narrower than its mark shows the part of it that falls inside.
TEST(ArrowCheckPixelsTest, MarksAreCutAtTheControlsEdges) {
  EXPECT_EQ(Draw(CheckPixels(4, 11), 4, 11),
            (Picture{"...#", "..##", ".##.", "##..", "#...", "....", "....", "....", "....", "....",
                     "...."}));
  EXPECT_EQ(Draw(ArrowPixels(1, 8), 1, 8), (Picture{".", "#", "#", "#", ".", ".", ".", "."}));
  EXPECT_EQ(Draw(ArrowPixels(0, 16), 0, 16), Empty(0, 16));
  EXPECT_TRUE(ArrowPixels(-3, 16).empty());
  EXPECT_TRUE(CheckPixels(16, -3).empty());
}

// At every size up to 48 x 48, the narrowest ones cutting the marks: runs lie inside the
// control, come row by row from left to right, and never touch, so each is as long as
// the black it stands for.
TEST(ArrowCheckPixelsTest, RunsAreOrderedAndSeparateAtEverySize) {
  for (int h = 0; h <= 48; ++h) {
    for (int w = 0; w <= 48; ++w) {
      for (const auto& runs : {ArrowPixels(w, h), CheckPixels(w, h)}) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
          const PixelRun& r = runs[i];
          ASSERT_TRUE(r.length > 0 && r.x >= 0 && r.x + r.length <= w && r.y >= 0 && r.y < h)
              << w << " x " << h << ": run " << i;
          if (i == 0) continue;
          const PixelRun& p = runs[i - 1];
          ASSERT_TRUE(p.y < r.y || p.x + p.length < r.x) << w << " x " << h << ": run " << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vantor::wizard
