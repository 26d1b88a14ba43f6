// Set while the worker may go on. The front end resets it to ask for a stop (Cancel,
// SIGINT); the worker only tests it. Safe to reset from a signal handler.
#ifndef VANTOR_ENGINE_RUN_PERMISSION_H_
#define VANTOR_ENGINE_RUN_PERMISSION_H_

#include <atomic>

namespace vantor {

class RunPermission {
 public:
  void Set() { set_.store(true, std::memory_order_release); }
  void Reset() { set_.store(false, std::memory_order_release); }
  bool IsSet() const { return set_.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> set_{true};
  static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUN_PERMISSION_H_
