// The property sheet's window on the toolkit: a dialog with a stack of page windows.
#include <QBoxLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyleHints>

#include "wizard/framework/backend.h"
#include "wizard/framework/dialog_builder.h"
#include "wizard/framework/dialog_units.h"
#include "wizard/framework/qt/sheet_dialog.h"

namespace vantor::framework {

namespace {

// The sheet's own controls, in dialog units of its font.
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMargin = 7;  // around the button row, and between Next and Cancel

class QtSheetWindow final : public SheetWindow {
 public:
  QtSheetWindow(PropertySheet& sheet, const std::string& caption)
      : m_dialog(std::make_unique<qt::SheetDialog>(sheet, QString::fromStdString(caption))) {}

  NativeWindow GetNative() const override { return qt::Native(m_dialog.get()); }
  void SetTitle(const std::string& title) override {
    m_dialog->setWindowTitle(QString::fromStdString(title));
  }
  std::string GetTitle() const override { return m_dialog->windowTitle().toStdString(); }

  void MakeRoomFor(const DialogTemplate& dialogTemplate) override {
    const QFont pageFont = ResolveDialogFont(QString::fromUtf8(dialogTemplate.fontFamily),
                                             dialogTemplate.fontPointSize);
    const QSize size =
        MapDialogRect({0, 0, dialogTemplate.width, dialogTemplate.height}, BaseUnitsOf(pageFont))
            .size();
    QStackedWidget* area = m_dialog->GetPageArea();
    area->setFixedSize(area->size().expandedTo(size));
  }
  NativeWindow CreatePage(const DialogTemplate& dialogTemplate) override {
    auto* window = new QWidget;
    BuildDialog(dialogTemplate, window);
    m_dialog->GetPageArea()->addWidget(window);
    return qt::Native(window);
  }
  void DestroyPage(NativeWindow page) override { delete qt::Widget(page); }
  void ShowPage(NativeWindow page) override {
    m_dialog->GetPageArea()->setCurrentWidget(qt::Widget(page));
  }

  void SetButtons(unsigned flags) override {
    const bool finish = flags & PSWIZB_FINISH;
    Button(SheetButton::Back)->setEnabled(flags & PSWIZB_BACK);
    Button(SheetButton::Next)->setEnabled(flags & PSWIZB_NEXT);
    Button(SheetButton::Next)->setVisible(!finish);
    Button(SheetButton::Finish)->setVisible(finish);
    // Enter presses the button in Next's place.
    Button(finish ? SheetButton::Finish : SheetButton::Next)->setDefault(true);
  }
  bool IsButtonEnabled(SheetButton button) const override { return Button(button)->isEnabled(); }
  bool IsButtonShown(SheetButton button) const override { return !Button(button)->isHidden(); }

  bool CanTakeFocus(NativeWindow page, int id) const override {
    const QWidget* widget = FindControl(qt::Widget(page), id);
    return widget != nullptr && widget->isEnabled() && !widget->isHidden() &&
           (widget->focusPolicy() & Qt::TabFocus);
  }
  void FocusButton(SheetButton button) override { Button(button)->setFocus(Qt::TabFocusReason); }
  void FocusPage(NativeWindow page) override { qt::Widget(page)->setFocus(Qt::OtherFocusReason); }

  void Show() override {
    m_result = SheetResult::Open;
    m_dialog->show();
  }
  SheetResult DoModal() override {
    m_result = SheetResult::Open;
    m_dialog->exec();
    return m_result;
  }
  void Close(SheetResult result) override {
    m_result = result;
    if (result == SheetResult::Finished) {
      m_dialog->accept();
    } else {
      m_dialog->QDialog::reject();
    }
  }
  bool IsOpen() const override { return m_dialog->isVisible(); }
  SheetResult GetResult() const override { return m_result; }

 private:
  QPushButton* Button(SheetButton button) const { return m_dialog->GetButton(button); }

  std::unique_ptr<qt::SheetDialog> m_dialog;
  SheetResult m_result = SheetResult::Open;
};

}  // namespace

qt::SheetDialog::SheetDialog(PropertySheet& sheet, const QString& caption) : m_sheet(sheet) {
  setWindowTitle(caption);
  setFont(ResolveDialogFont(QStringLiteral("MS Shell Dlg"), 8));
  const DialogBaseUnits units = BaseUnitsOf(font());
  const QRect button = MapDialogRect({kMargin, kMargin, kButtonWidth, kButtonHeight}, units);

  m_stack = new QStackedWidget(this);
  m_stack->setFixedSize(0, 0);
  auto* line = new QFrame(this);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  m_back = new QPushButton(tr("< &Back"), this);
  m_next = new QPushButton(tr("&Next >"), this);
  m_finish = new QPushButton(tr("Finish"), this);
  m_cancel = new QPushButton(tr("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(button.x(), button.y(), button.x(), button.y());
  buttons->setSpacing(0);
  buttons->addStretch();
  for (QPushButton* each : {m_back, m_next, m_finish, m_cancel}) {
    each->setFixedSize(button.size());
    // Tab reaches them, a click does not take the focus: after Next pressed with the
    // mouse the new page's first control has it, as after Enter, even when a second
    // click (of a double click, or one ignored) comes after the page changed.
    each->setFocusPolicy(Qt::TabFocus);
    buttons->addWidget(each);
  }
  buttons->insertSpacing(buttons->indexOf(m_cancel), button.x());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(m_stack);
  layout->addWidget(line);
  layout->addLayout(buttons);

  connect(m_back, &QPushButton::clicked, this, [this] { m_sheet.Press(SheetButton::Back); });
  connect(m_next, &QPushButton::clicked, this, [this] { m_sheet.Press(SheetButton::Next); });
  connect(m_finish, &QPushButton::clicked, this, [this] { m_sheet.Press(SheetButton::Finish); });
  connect(m_cancel, &QPushButton::clicked, this, [this] { m_sheet.Press(SheetButton::Cancel); });
}

QPushButton* qt::SheetDialog::GetButton(SheetButton button) const {
  switch (button) {
    case SheetButton::Back:
      return m_back;
    case SheetButton::Next:
      return m_next;
    case SheetButton::Finish:
      return m_finish;
    case SheetButton::Cancel:
      return m_cancel;
  }
  return nullptr;
}

void qt::SheetDialog::showEvent(QShowEvent* event) {
  m_sheet.OnShown();
  QDialog::showEvent(event);
}

void qt::SheetDialog::reject() { m_sheet.RequestCancel(); }

std::unique_ptr<SheetWindow> MakeSheetWindow(PropertySheet& sheet, const std::string& caption) {
  return std::make_unique<QtSheetWindow>(sheet, caption);
}

std::chrono::milliseconds backend::DoubleClickInterval() {
  return std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

}  // namespace vantor::framework
