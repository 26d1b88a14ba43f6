// The wizard's doors to modal dialogs and the desktop: message boxes, the file dialog
// and opening a link each go through one replaceable function, so that tests can
// answer them without a modal loop. Used on the user-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_
#define VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace vantor::framework {

enum class MessageIcon { Exclamation, Stop };

// Shows `text` with `caption`, the icon and an OK button, owned by `owner`; returns when
// the box is closed.
using MessageBoxHook = std::function<void(QWidget* owner, const QString& text,
                                          const QString& caption, MessageIcon icon)>;
// The file dialog in "open" mode: any name, which need not exist, no name filter,
// `initialName` preselected. The chosen full path, or nothing when cancelled.
using FileDialogHook =
    std::function<std::optional<QString>(QWidget* owner, const QString& initialName)>;
// Opens an address with the desktop's browser; false when it could not.
using OpenLinkHook = std::function<bool(const QString& address)>;

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                    MessageIcon icon);
std::optional<QString> GetOpenFileName(QWidget* owner, const QString& initialName);
bool OpenLink(const QString& address);

// Replace the real dialogs; an empty function puts the real one back.
void SetMessageBoxHook(MessageBoxHook hook);
void SetFileDialogHook(FileDialogHook hook);
void SetOpenLinkHook(OpenLinkHook hook);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_
