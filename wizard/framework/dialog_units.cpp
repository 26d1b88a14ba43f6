#include "wizard/framework/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdint>

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

int MulDiv(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  const std::int64_t half = denominator / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const std::int64_t magnitude = ((product < 0 ? -product : product) + (half < 0 ? -half : half)) /
                                 (denominator < 0 ? -denominator : denominator);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units) {
  return QRect(MulDiv(rect.x, units.x, 4), MulDiv(rect.y, units.y, 8),
               MulDiv(rect.width, units.x, 4), MulDiv(rect.height, units.y, 8));
}

}  // namespace vantor::framework
