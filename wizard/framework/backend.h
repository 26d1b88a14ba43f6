// What each toolkit underneath the framework provides, as free functions: one
// implementation per toolkit is linked in. Texts are UTF-8. User-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_BACKEND_H_
#define VANTOR_WIZARD_FRAMEWORK_BACKEND_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/types.h"

namespace vantor::framework::backend {

// The real dialogs behind the hooks of dialog_hooks.h, with the same contracts.
MessageAnswer ShowMessageBox(NativeWindow owner, const std::string& text,
                             const std::string& caption, MessageIcon icon, MessageButtons buttons);
void CloseMessageBoxes(NativeWindow owner);
std::optional<std::string> GetOpenFileName(NativeWindow owner, const std::string& initialName,
                                           const std::string& startFolder);
bool OpenLink(const std::string& address);

// The desktop's double-click interval, read anew at each call.
std::chrono::milliseconds DoubleClickInterval();

// Wakes the user-interface thread: `onWake`, given to MakeWaker there, runs there once
// for each Wake, called from any thread, as the event loop (a modal one too) comes to it.
// A wake-up still on its way when the Waker is destroyed is dropped.
class Waker {
 public:
  virtual ~Waker() = default;
  virtual void Wake() = 0;
};
std::unique_ptr<Waker> MakeWaker(std::function<void()> onWake);

}  // namespace vantor::framework::backend

#endif  // VANTOR_WIZARD_FRAMEWORK_BACKEND_H_
