#include "wizard/decoration.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

namespace vantor::wizard {
namespace {

// A picture whose every pixel tells where it came from: red and green are the position,
// blue tells the pictures apart.
QImage Coded(int width, int height, int blue) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x, y, blue));
  }
  return image;
}

TEST(DecorationTest, PicturesAreCompiledInAtTheirSizes) {
  struct Case {
    const char* path;
    QSize size;
  };
  const Case cases[] = {
      {kHeaderPicturePath, {50, 50}},
      {kPanelTilePath, {240, 240}},
      {kEmblemPath, {54, 54}},
      {":/pictures/icon-256.png", {256, 256}},
      {":/pictures/icon-48.png", {48, 48}},
      {":/pictures/icon-32.png", {32, 32}},
      {":/pictures/icon-16.png", {16, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(QImage(QString::fromLatin1(c.path)).size(), c.size);
  }
  EXPECT_FALSE(MakeAppIcon().pixmap(256).isNull());
}

// 75 x 50 from a 30 x 20 tile: two whole columns and a cut one of 15, two whole rows and a
// cut one of 10; the 10 x 8 emblem at (75 - 10 - 16, 16) = (49, 16).
TEST(DecorationTest, WatermarkTilesRowByRowThenPutsTheEmblemTopRight) {
  const QImage tile = Coded(30, 20, 1);
  const QImage emblem = Coded(10, 8, 2);
  const QImage panel = ComposeWatermark(tile, emblem, QSize(75, 50));
  ASSERT_EQ(panel.size(), QSize(75, 50));
  const QRect emblemRect(49, 16, 10, 8);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 75; ++x) {
      const QRgb expected = emblemRect.contains(x, y)
                                ? qRgb(x - emblemRect.left(), y - emblemRect.top(), 2)
                                : qRgb(x % 30, y % 20, 1);
      ASSERT_EQ(panel.pixel(x, y), expected) << "at " << x << ", " << y;
    }
  }
}

TEST(DecorationTest, EmblemWiderThanThePanelIsCutAtTheLeft) {
  const QImage panel = ComposeWatermark(Coded(30, 20, 1), Coded(10, 8, 2), QSize(20, 40));
  // Its top left falls at (20 - 10 - 16, 16) = (-6, 16).
  EXPECT_EQ(panel.pixel(0, 16), qRgb(6, 0, 2));
  EXPECT_EQ(panel.pixel(3, 23), qRgb(9, 7, 2));
  EXPECT_EQ(panel.pixel(4, 23), qRgb(4, 3, 1));
  EXPECT_EQ(panel.pixel(0, 24), qRgb(0, 4, 1));
}

TEST(DecorationTest, TransparentPartsOfTheEmblemShowTheTiles) {
  QImage emblem = Coded(10, 8, 2);
  emblem.setPixel(0, 0, qRgba(0, 0, 0, 0));
  const QImage panel = ComposeWatermark(Coded(30, 20, 1), emblem, QSize(75, 50));
  EXPECT_EQ(panel.pixel(49, 16), qRgb(49 % 30, 16, 1));
}

TEST(DecorationTest, MissingPicturesLeaveThePanelEmptyOrPlain) {
  EXPECT_TRUE(ComposeWatermark(QImage(), Coded(10, 8, 2), QSize(75, 50)).isNull());
  const QImage plain = ComposeWatermark(Coded(30, 20, 1), QImage(), QSize(75, 50));
  EXPECT_EQ(plain.pixel(49, 16), qRgb(49 % 30, 16, 1));
}

TEST(DecorationTest, WatermarkOfThePanelPictures) {
  const QImage tile(QString::fromLatin1(kPanelTilePath));
  const QImage emblem(QString::fromLatin1(kEmblemPath));
  const QImage panel = MakeWatermark(QSize(180, 330)).toImage();
  ASSERT_EQ(panel.size(), QSize(180, 330));
  EXPECT_EQ(panel, ComposeWatermark(tile, emblem, QSize(180, 330)).convertToFormat(panel.format()));
  // Below the emblem the second row of tiles starts at 240.
  EXPECT_EQ(panel.pixel(0, 240), tile.pixel(0, 0));
  EXPECT_EQ(panel.pixel(179, 329), tile.pixel(179, 89));
}

TEST(DecorationTest, HeaderPictureIsStretchedToTheControl) {
  const QPixmap header = MakeHeaderPicture(QSize(45, 49));
  EXPECT_EQ(header.size(), QSize(45, 49));
  EXPECT_EQ(MakeHeaderPicture(QSize(50, 50))
                .toImage()
                .convertToFormat(QImage::Format_ARGB32_Premultiplied),
            QImage(QString::fromLatin1(kHeaderPicturePath))
                .convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

}  // namespace
}  // namespace vantor::wizard
