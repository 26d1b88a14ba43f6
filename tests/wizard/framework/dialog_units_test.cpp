// Dialog units: the rounding of the conversion, the fonts found for the Windows faces,
// and where the builder puts the controls.
#include "wizard/framework/dialog_units.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QWidget>

#include "engine/format.h"
#include "wizard/framework/dialog_builder.h"

namespace vantor::framework {
namespace {

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
  const struct {
    int value, numerator, denominator, expected;
  } cases[] = {
      {5, 7, 4, 9},       // 8.75
      {2, 7, 4, 4},       // 3.5
      {-2, 7, 4, -4},     // -3.5
      {3, 6, 4, 5},       // 4.5
      {310, 7, 4, 543},   // 542.5
      {178, 13, 8, 289},  // 289.25
      {1, 13, 8, 2},      // 1.625
      {1, 1, 0, -1},      // no division by zero
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MulDiv(c.value, c.numerator, c.denominator), c.expected)
        << c.value << " * " << c.numerator << " / " << c.denominator;
  }
}

TEST(MapDialogRectTest, ConvertsEachValueOnItsOwn) {
  const struct {
    DialogRect rect;
    DialogBaseUnits units;
    QRect expected;
  } cases[] = {
      // Windows' own dialog font, 6 x 13: the wizard page.
      {{0, 0, 310, 178}, {6, 13}, QRect(0, 0, 465, 289)},
      {{28, 48, 70, 10}, {7, 13}, QRect(49, 78, 123, 16)},
      // x + width converted apart: 543 - 49 would be 494, the width alone gives 493.
      {{28, 0, 282, 8}, {7, 13}, QRect(49, 0, 494, 13)},
      {{1, 1, 1, 1}, {7, 13}, QRect(2, 2, 2, 2)},
      {{3, 5, 3, 5}, {8, 16}, QRect(6, 10, 6, 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapDialogRect(c.rect, c.units), c.expected)
        << c.rect.x << "," << c.rect.y << "," << c.rect.width << "," << c.rect.height;
  }
}

TEST(DialogFontTest, MissingWindowsFacesBecomeAProportionalSansFont) {
  for (const QFont& font : {ResolveDialogFont(QStringLiteral("MS Shell Dlg"), 8),
                            MakePixelFont(QStringLiteral("Verdana"), 12, true)}) {
    const QFontInfo found(font);
    SCOPED_TRACE(found.family().toStdString());
    EXPECT_FALSE(found.fixedPitch());
    EXPECT_NE(found.styleHint(), QFont::Serif);
  }
  const QFontInfo title(MakePixelFont(QStringLiteral("MS Shell Dlg"), 10, true));
  EXPECT_EQ(title.pixelSize(), 10);
  EXPECT_TRUE(title.bold());
}

TEST(DialogFontTest, BaseUnitsGrowWithTheFont) {
  const DialogBaseUnits small = BaseUnitsOf(ResolveDialogFont(QStringLiteral("Sans"), 8));
  const DialogBaseUnits large = BaseUnitsOf(ResolveDialogFont(QStringLiteral("Sans"), 16));
  EXPECT_GT(small.x, 0);
  EXPECT_GT(small.y, small.x) << "letters are taller than they are wide";
  EXPECT_NEAR(large.x, 2 * small.x, 2);
  EXPECT_NEAR(large.y, 2 * small.y, 3);
}

TEST(BuildDialogTest, PlacesControlsAtTheirRectanglesInTheWindowFont) {
  const DialogTemplate dialogTemplate{
      1,
      200,
      100,
      "Test",
      {
          {10, ControlKind::Static, {10, 10, 100, 8}, "Fits"},
          {11, ControlKind::Edit, {10, 30, 120, 14}, "", kBorder | kDisabled},
          {12, ControlKind::Static, {10, 50, 4, 8}, "Too long for four units"},
          {13, ControlKind::Static, {10, 60, 4, 16}, "Two lines may wrap"},
      }};
  QWidget window;
  BuildDialog(dialogTemplate, &window);
  const DialogBaseUnits units = BaseUnitsOf(window.font());

  EXPECT_EQ(window.size(), MapDialogRect({0, 0, 200, 100}, units).size());
  EXPECT_EQ(FindControl(&window, 10)->geometry(), MapDialogRect({10, 10, 100, 8}, units));
  EXPECT_EQ(FindControl(&window, 11)->geometry(), MapDialogRect({10, 30, 120, 14}, units));
  EXPECT_FALSE(FindControl(&window, 11)->isEnabled());
  EXPECT_EQ(ControlIdOf(FindControl(&window, 11)), 11);
  EXPECT_EQ(ControlIdOf(&window), kNoId);

  // A one-line label grows to its text instead of wrapping its last words out of sight.
  auto* oneLine = static_cast<QLabel*>(FindControl(&window, 12));
  EXPECT_EQ(oneLine->x(), MapDialogRect({10, 50, 4, 8}, units).x());
  EXPECT_GE(oneLine->width(), oneLine->fontMetrics().horizontalAdvance(oneLine->text()));
  EXPECT_EQ(FindControl(&window, 13)->width(), MapDialogRect({10, 60, 4, 16}, units).width());
}

}  // namespace
}  // namespace vantor::framework
