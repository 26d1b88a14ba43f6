#include "wizard/arrow_check_static.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QTest>
#include <string>
#include <vector>

#include "tests/wizard/mark_pictures.h"
#include "wizard/arrow_check_pixels.h"

namespace vantor::wizard {
namespace {

using test::Empty;
using test::kArrow15x16;
using test::kCheck15x16;
using test::Picture;

const QColor kPageColour(0xC8, 0xD4, 0xE6);

// The control on a page with a background of its own, so that what the control takes from
// its parent can be told apart from the default palette.
class ArrowCheckStaticTest : public ::testing::Test {
 protected:
  ArrowCheckStaticTest() {
    QPalette palette = page_.palette();
    palette.setColor(QPalette::Window, kPageColour);
    page_.setPalette(palette);
    page_.setAutoFillBackground(true);
    page_.resize(100, 100);
    mark_ = dynamic_cast<CArrowCheckStatic*>(CArrowCheckStatic::Create(&page_));
    mark_->setGeometry(20, 30, 15, 16);
  }

  // The control as drawn: '#' black, '.' the page's colour, '?' anything else.
  Picture Grab() const {
    const QImage image = mark_->grab().toImage();
    Picture rows;
    for (int y = 0; y < image.height(); ++y) {
      std::string row;
      for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        row += pixel == qRgb(0, 0, 0) ? '#' : pixel == kPageColour.rgb() ? '.' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }

  QWidget page_;
  CArrowCheckStatic* mark_ = nullptr;
};

TEST_F(ArrowCheckStaticTest, DrawsEachStateOnThePagesBackground) {
  struct Case {
    int state;
    const Picture& expected;
  };
  const Picture empty = Empty(15, 16);
  const Case cases[] = {{CArrowCheckStatic::StateEmpty, empty},
                        {CArrowCheckStatic::StateArrow, kArrow15x16},
                        {CArrowCheckStatic::StateCheck, kCheck15x16},
                        {3, empty},
                        {-1, empty}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    mark_->SetState(c.state, false);
    EXPECT_EQ(Grab(), c.expected);
    EXPECT_EQ(mark_->IsArrow(), c.state == CArrowCheckStatic::StateArrow);
    EXPECT_EQ(mark_->IsChecked(), c.state == CArrowCheckStatic::StateCheck);
  }
}

TEST_F(ArrowCheckStaticTest, CheckThenEmptyLeavesOnlyTheBackground) {
  page_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page_));
  mark_->SetState(CArrowCheckStatic::StateCheck, true);
  ASSERT_EQ(Grab(), kCheck15x16);
  mark_->SetState(CArrowCheckStatic::StateEmpty, true);
  EXPECT_EQ(Grab(), Empty(15, 16));
  // And what is on the page's screen too, not just a fresh rendering of the control.
  const QImage screen = page_.grab(mark_->geometry()).toImage();
  for (int y = 0; y < screen.height(); ++y) {
    for (int x = 0; x < screen.width(); ++x) ASSERT_EQ(screen.pixel(x, y), kPageColour.rgb());
  }
}

// Counts the marks drawn, to tell when the control paints.
class CountingMark : public CArrowCheckStatic {
 public:
  using CArrowCheckStatic::CArrowCheckStatic;
  void DrawArrow(QPainter& painter) override {
    ++arrows;
    CArrowCheckStatic::DrawArrow(painter);
  }
  void DrawCheck(QPainter& painter) override {
    ++checks;
    CArrowCheckStatic::DrawCheck(painter);
  }
  int arrows = 0;
  int checks = 0;
};

TEST_F(ArrowCheckStaticTest, RedrawPaintsBeforeSetStateReturns) {
  auto* mark = new CountingMark(&page_);
  mark->setGeometry(50, 30, 15, 16);
  page_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page_));

  // No event loop runs between the calls: the page's worker messages come in a burst.
  mark->SetState(CArrowCheckStatic::StateArrow, true);
  EXPECT_EQ(mark->arrows, 1);
  mark->SetState(CArrowCheckStatic::StateCheck, true);
  EXPECT_EQ(mark->checks, 1);

  // Without redraw the state waits for the next paint.
  mark->SetState(CArrowCheckStatic::StateArrow, false);
  EXPECT_EQ(mark->arrows, 1);
  EXPECT_TRUE(mark->IsArrow());
}

// The control paints the runs of its mark and nothing else, at every size and also where
// the control is too narrow for the mark: a toolkit that fills the same runs shows the
// same pixels.
TEST_F(ArrowCheckStaticTest, PaintsExactlyTheRunsOfItsMarkAtEverySize) {
  struct Mark {
    int state;
    std::vector<PixelRun> (*runs)(int width, int height);
  };
  const Mark marks[] = {{CArrowCheckStatic::StateArrow, &ArrowPixels},
                        {CArrowCheckStatic::StateCheck, &CheckPixels}};
  for (int h = 1; h <= 48; ++h) {
    for (const int w : {1, 2, h / 3, h - 1, h, h + 5}) {
      if (w < 1) continue;
      mark_->setGeometry(0, 0, w, h);
      for (const Mark& mark : marks) {
        SCOPED_TRACE(testing::Message() << w << " x " << h << ", state " << mark.state);
        Picture expected = Empty(w, h);
        for (const PixelRun& run : mark.runs(w, h))
          expected[run.y].replace(run.x, run.length, run.length, '#');
        mark_->SetState(mark.state, false);
        ASSERT_EQ(Grab(), expected);
      }
    }
  }
}

}  // namespace
}  // namespace vantor::wizard
