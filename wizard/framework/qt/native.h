// The toolkit's widget behind a NativeWindow, and back.
#ifndef VANTOR_WIZARD_FRAMEWORK_QT_NATIVE_H_
#define VANTOR_WIZARD_FRAMEWORK_QT_NATIVE_H_

#include <QWidget>

#include "wizard/framework/types.h"

namespace vantor::framework::qt {

inline NativeWindow Native(QWidget* widget) { return NativeWindow{widget}; }
inline QWidget* Widget(NativeWindow window) { return static_cast<QWidget*>(window.handle); }

}  // namespace vantor::framework::qt

#endif  // VANTOR_WIZARD_FRAMEWORK_QT_NATIVE_H_
