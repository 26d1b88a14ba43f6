// The wizard's doors to modal dialogs and the desktop: message boxes, the file dialog
// and opening a link each go through one replaceable function, so that tests can
// answer them without a modal loop. Texts and file names are UTF-8. Used on the
// user-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_
#define VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_

#include <functional>
#include <optional>
#include <string>

#include "wizard/framework/types.h"

namespace vantor::framework {

enum class MessageIcon { Exclamation, Stop, Question };
// OK alone, or Yes and No with No the default: Enter and Esc answer No.
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Shows `text` with `caption`, the icon and the buttons, owned by `owner`; returns the
// button the box was closed with.
using MessageBoxHook = std::function<MessageAnswer(NativeWindow owner, const std::string& text,
                                                   const std::string& caption, MessageIcon icon,
                                                   MessageButtons buttons)>;
// The file dialog in "open" mode: any name, which need not exist, no name filter,
// `initialName` preselected, opened in `startFolder` (empty: the dialog's own choice).
// The chosen full path, or nothing when cancelled.
using FileDialogHook = std::function<std::optional<std::string>(
    NativeWindow owner, const std::string& initialName, const std::string& startFolder)>;
// Opens an address with the desktop's browser; false when it could not.
using OpenLinkHook = std::function<bool(const std::string& address)>;

MessageAnswer ShowMessageBox(NativeWindow owner, const std::string& text,
                             const std::string& caption, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok);
// Closes the boxes ShowMessageBox has up for `owner`, as Esc would: their calls return
// No (OK for a box with OK alone). For a question that events have made moot while it
// waited for its answer. A box answered through the hook is not closed.
void CloseMessageBoxes(NativeWindow owner);
// Opens in `startFolder` (empty: the dialog's own choice).
std::optional<std::string> GetOpenFileName(NativeWindow owner, const std::string& initialName,
                                           const std::string& startFolder);
bool OpenLink(const std::string& address);

// Replace the real dialogs; an empty function puts the real one back.
void SetMessageBoxHook(MessageBoxHook hook);
void SetFileDialogHook(FileDialogHook hook);
void SetOpenLinkHook(OpenLinkHook hook);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_DIALOG_HOOKS_H_
