// The toolkit's message box, as ShowMessageBox shows it when no hook is set.
#ifndef VANTOR_WIZARD_FRAMEWORK_QT_MESSAGE_BOX_H_
#define VANTOR_WIZARD_FRAMEWORK_QT_MESSAGE_BOX_H_

#include <QString>
#include <memory>

#include "wizard/framework/dialog_hooks.h"

class QMessageBox;
class QWidget;

namespace vantor::framework::qt {

// The box, not shown yet. It is at least as wide as its caption needs in a title bar,
// window buttons included: a window manager would otherwise cut the caption short.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text,
                                            const QString& caption, MessageIcon icon,
                                            MessageButtons buttons);

}  // namespace vantor::framework::qt

#endif  // VANTOR_WIZARD_FRAMEWORK_QT_MESSAGE_BOX_H_
