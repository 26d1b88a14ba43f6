// The toolkit's widgets of a page's window, for the toolkit's own code and its tests.
#ifndef VANTOR_WIZARD_FRAMEWORK_QT_PAGE_ITEMS_H_
#define VANTOR_WIZARD_FRAMEWORK_QT_PAGE_ITEMS_H_

#include <QWidget>

#include "wizard/framework/dialog_builder.h"
#include "wizard/framework/property_page.h"
#include "wizard/framework/qt/native.h"

namespace vantor::framework::qt {

// The control of the page's window with `id`, or nullptr (no window, no such control).
inline QWidget* Item(const PropertyPage& page, int id) {
  return FindControl(Widget(page.GetWindow()), id);
}
template <class Control>
Control* ItemAs(const PropertyPage& page, int id) {
  return qobject_cast<Control*>(Item(page, id));
}

}  // namespace vantor::framework::qt

#endif  // VANTOR_WIZARD_FRAMEWORK_QT_PAGE_ITEMS_H_
