// Dialog units and the fonts they are measured in. A dialog unit is a quarter of the
// average letter width and an eighth of the height of the dialog's font, so a template
// keeps its text and controls in proportion whatever font the system finds.
#ifndef VANTOR_WIZARD_FRAMEWORK_DIALOG_UNITS_H_
#define VANTOR_WIZARD_FRAMEWORK_DIALOG_UNITS_H_

#include <QFont>
#include <QRect>
#include <QString>

#include "wizard/framework/dialog_template.h"

namespace vantor::framework {

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
  int x = 0;
  int y = 0;
};

// `family` when it is installed, otherwise the desktop's sans-serif font; sized in points.
QFont ResolveDialogFont(const QString& family, int pointSize);
// The same lookup for a font given by its character height in pixels (the em size, as a
// negative height asks for on Windows).
QFont MakePixelFont(const QString& family, int pixelHeight, bool bold);

// The base units of `font`: the average width of the 52 letters A-Z a-z, rounded as
// Windows rounds it, and the font's height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Each of x, width (times base x / 4) and y, height (times base y / 8) on its own, rounded
// by MulDiv (engine/format.h).
QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_DIALOG_UNITS_H_
