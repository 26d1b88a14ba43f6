// A repeating timer of the user-interface thread.
#ifndef VANTOR_WIZARD_FRAMEWORK_TIMER_H_
#define VANTOR_WIZARD_FRAMEWORK_TIMER_H_

#include <chrono>
#include <functional>
#include <memory>

namespace vantor::framework {

class Timer {
 public:
  // Stops the timer: `onTick` is not called after.
  virtual ~Timer() = default;
};

// Calls `onTick` every `period` on the user-interface thread until the timer is
// destroyed. A precise timer keeps to the millisecond; another may fire a little early
// or late, to spare the system wake-ups.
std::unique_ptr<Timer> StartTimer(std::chrono::milliseconds period, bool precise,
                                  std::function<void()> onTick);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_TIMER_H_
