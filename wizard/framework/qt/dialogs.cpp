// The toolkit's message box, file dialog and link opening behind the dialog hooks.
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSpacerItem>
#include <QUrl>
#include <vector>

#include "wizard/framework/backend.h"
#include "wizard/framework/qt/message_box.h"
#include "wizard/framework/qt/native.h"

namespace vantor::framework {

namespace {

// The boxes ShowMessageBox has up now, the innermost last.
std::vector<QPointer<QMessageBox>>& OpenBoxes() {
  static std::vector<QPointer<QMessageBox>> boxes;
  return boxes;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// What a title bar needs for `caption`. The window manager's font is not known here:
// the desktop's title font, bold as most title bars draw it, stands in for it. The
// window's icon and up to three buttons take a square of about two lines each.
int TitleBarWidth(const QString& caption) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(caption) + 4 * 2 * metrics.height();
}

}  // namespace

std::unique_ptr<QMessageBox> qt::MakeMessageBox(QWidget* owner, const QString& text,
                                                const QString& caption, MessageIcon icon,
                                                MessageButtons buttons) {
  auto box =
      std::make_unique<QMessageBox>(BoxIcon(icon), caption, text, QMessageBox::NoButton, owner);
  if (buttons == MessageButtons::YesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  // The box fixes its own size from what its layout needs, so the title's width goes in
  // as a strut across the layout. The text's width the box sees to itself.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const QMargins margins = grid->contentsMargins();
    grid->addItem(new QSpacerItem(TitleBarWidth(caption) - margins.left() - margins.right(), 0,
                                  QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

MessageAnswer backend::ShowMessageBox(NativeWindow owner, const std::string& text,
                                      const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) {
  const std::unique_ptr<QMessageBox> box =
      qt::MakeMessageBox(qt::Widget(owner), QString::fromStdString(text),
                         QString::fromStdString(caption), icon, buttons);
  OpenBoxes().push_back(box.get());
  const int pressed = box->exec();
  std::erase_if(OpenBoxes(), [&box](const QPointer<QMessageBox>& open) {
    return open.isNull() || open == box.get();
  });
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void backend::CloseMessageBoxes(NativeWindow owner) {
  const std::vector<QPointer<QMessageBox>> boxes = OpenBoxes();
  for (const QPointer<QMessageBox>& box : boxes) {
    // Rejected is no standard button: ShowMessageBox takes it for No.
    if (box != nullptr && box->parentWidget() == qt::Widget(owner)) box->reject();
  }
}

std::optional<std::string> backend::GetOpenFileName(NativeWindow owner,
                                                    const std::string& initialName,
                                                    const std::string& startFolder) {
  QFileDialog dialog(qt::Widget(owner));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!startFolder.empty()) dialog.setDirectory(QString::fromStdString(startFolder));
  // A name with a folder of its own opens that folder instead.
  if (!initialName.empty()) dialog.selectFile(QString::fromStdString(initialName));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    return dialog.selectedFiles().first().toStdString();
  }
  return std::nullopt;
}

bool backend::OpenLink(const std::string& address) {
  const QString link = QString::fromStdString(address);
  if (QDesktopServices::openUrl(QUrl::fromUserInput(link))) return true;
  return QProcess::startDetached(QStringLiteral("xdg-open"), {link});
}

}  // namespace vantor::framework
