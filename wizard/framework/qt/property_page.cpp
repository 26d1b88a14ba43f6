#include "wizard/framework/property_page.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <string>
#include <utility>

#include "engine/choices.h"
#include "wizard/framework/dialog_builder.h"
#include "wizard/framework/dialog_units.h"
#include "wizard/framework/file_drop.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/picture.h"

namespace vantor::framework {

namespace {

QString WithoutCarriageReturns(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ControlText(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
    // toPlainText() would turn a no-break space into a plain one; the raw text keeps
    // every character and marks line breaks as paragraph separators.
    return box->document()->toRawText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
  }
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  return control != nullptr ? control->windowTitle() : QString();
}

// The handler of the entries added to a list box; deleted with the list. Found among the
// list's children by its name (it has no meta-object of its own to be told apart by).
class ListAddedWatcher final : public QObject {
 public:
  static constexpr char kName[] = "vantor-list-added";

  ListAddedWatcher(QWidget* list, std::function<void(int)> handler)
      : QObject(list), m_handler(std::move(handler)) {
    setObjectName(QLatin1String(kName));
  }
  void Added(int row) const { m_handler(row); }

 private:
  std::function<void(int)> m_handler;
};

// Calls a handler each time its control gets the focus; deleted with the control.
class FocusInWatcher final : public QObject {
 public:
  FocusInWatcher(QWidget* control, std::function<void()> handler)
      : QObject(control), m_handler(std::move(handler)) {
    control->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn && watched == parent()) m_handler();
    return false;
  }

 private:
  std::function<void()> m_handler;
};

}  // namespace

PropertyPage::PropertyPage(const DialogTemplate& dialogTemplate) : m_template(dialogTemplate) {}

PropertyPage::~PropertyPage() {
  if (m_sheet != nullptr) m_sheet->RemovePage(m_sheet->GetPageIndex(this));
}

bool PropertyPage::HasDlgItem(int id) const { return qt::Item(*this, id) != nullptr; }

std::string PropertyPage::GetDlgItemText(int id) const {
  return ControlText(qt::Item(*this, id)).toStdString();
}

void PropertyPage::SetDlgItemText(int id, std::string_view utf8) {
  QWidget* control = qt::Item(*this, id);
  const QString text = FromUtf8(utf8);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
    box->setPlainText(WithoutCarriageReturns(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(WithoutCarriageReturns(text));
  } else if (control != nullptr) {
    control->setWindowTitle(text);
  }
}

bool PropertyPage::IsDlgButtonChecked(int id) const {
  auto* button = qt::ItemAs<QAbstractButton>(*this, id);
  return button != nullptr && button->isChecked();
}

void PropertyPage::CheckDlgButton(int id, bool checked) {
  auto* button = qt::ItemAs<QAbstractButton>(*this, id);
  if (button == nullptr) return;
  QButtonGroup* group = button->group();
  // An exclusive group refuses to uncheck its checked button; unchecking by code is
  // allowed, as it leaves the group with nothing checked.
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive && !checked) group->setExclusive(false);
  button->setChecked(checked);
  if (exclusive && !checked) group->setExclusive(true);
}

std::uint32_t PropertyPage::GetDlgItemInt(int id, bool* translated) const {
  std::uint32_t value = 0;
  const bool ok = qt::Item(*this, id) != nullptr && ReadUnsignedField(GetDlgItemText(id), &value);
  if (translated != nullptr) *translated = ok;
  return ok ? value : 0;
}

void PropertyPage::EnableDlgItem(int id, bool enable) {
  if (QWidget* control = qt::Item(*this, id)) control->setEnabled(enable);
}

void PropertyPage::GotoDlgCtrl(int id) {
  QWidget* control = qt::Item(*this, id);
  if (control == nullptr) return;
  control->setFocus(Qt::TabFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void PropertyPage::DropEditSelection(int id) {
  auto* box = qt::ItemAs<QPlainTextEdit>(*this, id);
  if (box == nullptr) return;
  QTextCursor cursor = box->textCursor();
  cursor.clearSelection();
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
}

void PropertyPage::SetEditCaret(int id, int position) {
  auto* box = qt::ItemAs<QPlainTextEdit>(*this, id);
  if (box == nullptr) return;
  QTextCursor cursor = box->textCursor();
  cursor.setPosition(std::clamp(position, 0, box->document()->characterCount() - 1));
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
}

void PropertyPage::OnClicked(int id, std::function<void()> handler) {
  if (auto* button = qt::ItemAs<QAbstractButton>(*this, id)) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [handler = std::move(handler)] { handler(); });
  }
}

void PropertyPage::OnTextChanged(int id, std::function<void(const std::string&)> handler) {
  if (auto* field = qt::ItemAs<QLineEdit>(*this, id)) {
    QObject::connect(
        field, &QLineEdit::textChanged, field,
        [handler = std::move(handler)](const QString& text) { handler(text.toStdString()); });
  }
}

void PropertyPage::OnFocusIn(int id, std::function<void()> handler) {
  if (QWidget* control = qt::Item(*this, id)) new FocusInWatcher(control, std::move(handler));
}

void PropertyPage::OnListAdded(int id, std::function<void(int row)> handler) {
  if (auto* list = qt::ItemAs<QListWidget>(*this, id))
    new ListAddedWatcher(list, std::move(handler));
}

void PropertyPage::OnFilesDropped(int id,
                                  std::function<void(const std::vector<std::string>&)> handler) {
  AcceptFileDrops(qt::Item(*this, id), [handler = std::move(handler)](const QStringList& files) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(file.toStdString());
    handler(names);
  });
}

int PropertyPage::ListAddString(int id, std::string_view text) {
  auto* list = qt::ItemAs<QListWidget>(*this, id);
  if (list == nullptr) return -1;
  list->addItem(FromUtf8(text));
  const int row = list->count() - 1;
  for (const QObject* watcher : list->findChildren<QObject*>(QLatin1String(ListAddedWatcher::kName),
                                                             Qt::FindDirectChildrenOnly)) {
    static_cast<const ListAddedWatcher*>(watcher)->Added(row);
  }
  return row;
}

int PropertyPage::ListGetCount(int id) const {
  const auto* list = qt::ItemAs<QListWidget>(*this, id);
  return list != nullptr ? list->count() : 0;
}

std::string PropertyPage::ListGetText(int id, int row) const {
  const auto* list = qt::ItemAs<QListWidget>(*this, id);
  const QListWidgetItem* item = list != nullptr ? list->item(row) : nullptr;
  return item != nullptr ? item->text().toStdString() : std::string();
}

void PropertyPage::ListDeleteString(int id, int row) {
  auto* list = qt::ItemAs<QListWidget>(*this, id);
  if (list != nullptr && row >= 0 && row < list->count()) delete list->takeItem(row);
}

int PropertyPage::ListGetCurSel(int id) const {
  const auto* list = qt::ItemAs<QListWidget>(*this, id);
  if (list == nullptr || list->selectedItems().isEmpty()) return -1;
  return list->row(list->selectedItems().front());
}

void PropertyPage::ListSetCurSel(int id, int row) {
  auto* list = qt::ItemAs<QListWidget>(*this, id);
  if (list == nullptr) return;
  if (row < 0 || row >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return;
  }
  list->setCurrentRow(row);
  list->scrollToItem(list->item(row));
}

CustomControl* PropertyPage::GetCustomControl(int id) const {
  return dynamic_cast<CustomControl*>(qt::Item(*this, id));
}

Size PropertyPage::GetDlgItemSize(int id) const {
  const QWidget* control = qt::Item(*this, id);
  return control != nullptr ? Size{control->width(), control->height()} : Size{};
}

void PropertyPage::SetDlgItemFont(int id, const FontSpec& font) {
  if (QWidget* control = qt::Item(*this, id)) {
    control->setFont(
        MakePixelFont(QString::fromStdString(font.family), font.pixelHeight, font.bold));
  }
}

void PropertyPage::SetDlgItemFill(int id, Fill fill) {
  QWidget* control = qt::Item(*this, id);
  if (control == nullptr) return;
  const QBrush window = QApplication::palette().brush(QPalette::Base);
  QPalette palette = control->palette();
  if (qobject_cast<QAbstractScrollArea*>(control) != nullptr) {
    // An edit paints its own background: the base colour, which a read-only one keeps.
    palette.setBrush(QPalette::Base, window);
    control->setPalette(palette);
    return;
  }
  palette.setBrush(QPalette::Window, window);
  control->setPalette(palette);
  control->setAutoFillBackground(fill == Fill::WindowColour);
}

void PropertyPage::SetDlgItemPicture(int id, const Picture& picture) {
  if (auto* label = qt::ItemAs<QLabel>(*this, id)) label->setPixmap(qt::PixmapOf(picture));
}

void PropertyPage::SetProgressRange(int id, int low, int high) {
  if (auto* bar = qt::ItemAs<QProgressBar>(*this, id)) bar->setRange(low, high);
}

void PropertyPage::SetProgressPos(int id, int position) {
  if (auto* bar = qt::ItemAs<QProgressBar>(*this, id)) bar->setValue(position);
}

int PropertyPage::GetProgressPos(int id) const {
  const auto* bar = qt::ItemAs<QProgressBar>(*this, id);
  return bar != nullptr ? bar->value() : 0;
}

}  // namespace vantor::framework
