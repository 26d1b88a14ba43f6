#include "wizard/decoration.h"

#include <QPainter>

#include "wizard/framework/qt/picture.h"
#include "wizard/pictures.h"

namespace vantor::wizard {

namespace {

// Space between the emblem and the panel's top and right edges.
constexpr int kEmblemMargin = 16;

constexpr const char* kIconPaths[] = {":/pictures/icon-16.png", ":/pictures/icon-32.png",
                                      ":/pictures/icon-48.png", ":/pictures/icon-256.png"};

}  // namespace

QPixmap MakeHeaderPicture(QSize size) {
  const QImage picture(QString::fromLatin1(kHeaderPicturePath));
  if (picture.isNull()) return QPixmap();
  return QPixmap::fromImage(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QPixmap MakeWatermark(QSize size) {
  return QPixmap::fromImage(ComposeWatermark(QImage(QString::fromLatin1(kPanelTilePath)),
                                             QImage(QString::fromLatin1(kEmblemPath)), size));
}

QImage ComposeWatermark(const QImage& tile, const QImage& emblem, QSize size) {
  if (tile.isNull() || size.isEmpty()) return QImage();
  QImage panel(size, QImage::Format_RGB32);
  QPainter painter(&panel);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (int y = 0; y < size.height(); y += tile.height()) {
    for (int x = 0; x < size.width(); x += tile.width()) painter.drawImage(x, y, tile);
  }
  // The emblem's own transparency lets the tiles show around its rounded corners.
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (!emblem.isNull()) {
    painter.drawImage(size.width() - emblem.width() - kEmblemMargin, kEmblemMargin, emblem);
  }
  return panel;
}

framework::Picture HeaderPicture(framework::Size size) {
  return framework::qt::MakePicture(MakeHeaderPicture(QSize(size.width, size.height)));
}

framework::Picture Watermark(framework::Size size) {
  return framework::qt::MakePicture(MakeWatermark(QSize(size.width, size.height)));
}

QIcon MakeAppIcon() {
  QIcon icon;
  for (const char* path : kIconPaths) icon.addFile(QString::fromLatin1(path));
  return icon;
}

}  // namespace vantor::wizard
