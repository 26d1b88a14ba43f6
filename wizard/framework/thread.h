// A thread with a stack of a given size, for work off the user-interface thread.
#ifndef VANTOR_WIZARD_FRAMEWORK_THREAD_H_
#define VANTOR_WIZARD_FRAMEWORK_THREAD_H_

#include <cstddef>
#include <functional>
#include <memory>

namespace vantor::framework {

class Thread {
 public:
  // Joins a thread not joined yet.
  virtual ~Thread() = default;
  // Waits for the body to end.
  virtual void Join() = 0;
  virtual std::size_t StackSize() const = 0;
};

// Starts `body` on a new thread with a stack of `stackSize` bytes.
std::unique_ptr<Thread> StartThread(std::size_t stackSize, std::function<void()> body);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_THREAD_H_
