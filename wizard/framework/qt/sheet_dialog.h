// The toolkit's window of a property sheet: a dialog with the page area, a line and the
// button row under it. Tab gives the buttons the focus, a click does not.
#ifndef VANTOR_WIZARD_FRAMEWORK_QT_SHEET_DIALOG_H_
#define VANTOR_WIZARD_FRAMEWORK_QT_SHEET_DIALOG_H_

#include <QDialog>

#include "wizard/framework/property_sheet.h"
#include "wizard/framework/qt/native.h"

class QPushButton;
class QStackedWidget;

namespace vantor::framework::qt {

class SheetDialog final : public QDialog {
 public:
  SheetDialog(PropertySheet& sheet, const QString& caption);

  QPushButton* GetButton(SheetButton button) const;
  QStackedWidget* GetPageArea() const { return m_stack; }

 protected:
  // The first page becomes active when the sheet is first shown.
  void showEvent(QShowEvent* event) override;
  // Cancel, Esc and the close box go through the sheet.
  void reject() override;

 private:
  PropertySheet& m_sheet;
  QStackedWidget* m_stack;
  QPushButton* m_back;
  QPushButton* m_next;
  QPushButton* m_finish;
  QPushButton* m_cancel;
};

// The dialog behind `sheet`, and one of its buttons.
inline SheetDialog* DialogOf(const PropertySheet& sheet) {
  return static_cast<SheetDialog*>(Widget(sheet.GetWindow()));
}
inline QPushButton* ButtonOf(const PropertySheet& sheet, SheetButton button) {
  return DialogOf(sheet)->GetButton(button);
}

}  // namespace vantor::framework::qt

#endif  // VANTOR_WIZARD_FRAMEWORK_QT_SHEET_DIALOG_H_
