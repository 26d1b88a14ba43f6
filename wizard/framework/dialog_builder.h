// Turns a dialog template into widgets: the window of a property page.
#ifndef VANTOR_WIZARD_FRAMEWORK_DIALOG_BUILDER_H_
#define VANTOR_WIZARD_FRAMEWORK_DIALOG_BUILDER_H_

#include <string_view>

#include "wizard/framework/dialog_template.h"

class QWidget;

namespace vantor::framework {

// Gives `window` the template's font and size and creates its controls as children of
// it, in template order, which is also the tab order. Each control is tagged with its id
// and placed at its rectangle in pixels of the window's font. Radio buttons between two
// controls with kGroup form one exclusive group; as in a dialog, a group with kTabStop on
// one of its buttons is one stop for Tab, at its checked button, and the arrow keys move
// the check within it. `window` owns everything created.
void BuildDialog(const DialogTemplate& dialogTemplate, QWidget* window);

// Makes a control of ControlKind::Custom as a child of `parent`; the builder then places
// and tags it.
using ControlMaker = QWidget* (*)(QWidget* parent);
// The maker of the custom controls of window class `className`; a later one for the
// same name takes its place.
void RegisterCustomControl(std::string_view className, ControlMaker make);

// The control of `window` tagged `id` (the first of them, for kNoId), or nullptr.
QWidget* FindControl(const QWidget* window, int id);
// The id `control` was tagged with; kNoId for a widget the builder did not make.
int ControlIdOf(const QWidget* control);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_DIALOG_BUILDER_H_
