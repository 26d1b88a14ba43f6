#include "wizard/framework/dialog_hooks.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace vantor::framework {

namespace {

MessageBoxHook& MessageBoxSlot() {
  static MessageBoxHook hook;
  return hook;
}
FileDialogHook& FileDialogSlot() {
  static FileDialogHook hook;
  return hook;
}
OpenLinkHook& OpenLinkSlot() {
  static OpenLinkHook hook;
  return hook;
}

}  // namespace

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                    MessageIcon icon) {
  if (MessageBoxSlot()) {
    MessageBoxSlot()(owner, text, caption, icon);
    return;
  }
  QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning,
                  caption, text, QMessageBox::Ok, owner);
  box.exec();
}

std::optional<QString> GetOpenFileName(QWidget* owner, const QString& initialName) {
  if (FileDialogSlot()) return FileDialogSlot()(owner, initialName);
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!initialName.isEmpty()) dialog.selectFile(initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

bool OpenLink(const QString& address) {
  if (OpenLinkSlot()) return OpenLinkSlot()(address);
  if (QDesktopServices::openUrl(QUrl::fromUserInput(address))) return true;
  return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
}

void SetMessageBoxHook(MessageBoxHook hook) { MessageBoxSlot() = std::move(hook); }
void SetFileDialogHook(FileDialogHook hook) { FileDialogSlot() = std::move(hook); }
void SetOpenLinkHook(OpenLinkHook hook) { OpenLinkSlot() = std::move(hook); }

}  // namespace vantor::framework
