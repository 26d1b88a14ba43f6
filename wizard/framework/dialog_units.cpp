#include "wizard/framework/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>

#include "engine/format.h"

namespace vantor::framework {

namespace {

QFont FontWithFallback(const QString& family) {
  QFont font;
  // "sans-serif" is fontconfig's alias for the desktop's default sans font; it stands in
  // for the Windows dialog and title faces when they are not installed.
  font.setFamilies(QStringList{family, QStringLiteral("sans-serif")});
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace

QFont ResolveDialogFont(const QString& family, int pointSize) {
  QFont font = FontWithFallback(family);
  font.setPointSize(pointSize);
  return font;
}

QFont MakePixelFont(const QString& family, int pixelHeight, bool bold) {
  QFont font = FontWithFallback(family);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width + 26) / 52, metrics.height()};
}

QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units) {
  auto scaled = [](int value, int base, int per) {
    return static_cast<int>(MulDiv(value, base, per));
  };
  return QRect(scaled(rect.x, units.x, 4), scaled(rect.y, units.y, 8),
               scaled(rect.width, units.x, 4), scaled(rect.height, units.y, 8));
}

}  // namespace vantor::framework
