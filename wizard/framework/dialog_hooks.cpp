#include "wizard/framework/dialog_hooks.h"

#include "wizard/framework/backend.h"

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

MessageAnswer ShowMessageBox(NativeWindow owner, const std::string& text,
                             const std::string& caption, MessageIcon icon, MessageButtons buttons) {
  if (MessageBoxSlot()) return MessageBoxSlot()(owner, text, caption, icon, buttons);
  return backend::ShowMessageBox(owner, text, caption, icon, buttons);
}

void CloseMessageBoxes(NativeWindow owner) { backend::CloseMessageBoxes(owner); }

std::optional<std::string> GetOpenFileName(NativeWindow owner, const std::string& initialName,
                                           const std::string& startFolder) {
  if (FileDialogSlot()) return FileDialogSlot()(owner, initialName, startFolder);
  return backend::GetOpenFileName(owner, initialName, startFolder);
}

bool OpenLink(const std::string& address) {
  if (OpenLinkSlot()) return OpenLinkSlot()(address);
  return backend::OpenLink(address);
}

void SetMessageBoxHook(MessageBoxHook hook) { MessageBoxSlot() = std::move(hook); }
void SetFileDialogHook(FileDialogHook hook) { FileDialogSlot() = std::move(hook); }
void SetOpenLinkHook(OpenLinkHook hook) { OpenLinkSlot() = std::move(hook); }

}  // namespace vantor::framework
