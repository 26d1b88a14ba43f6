// The engine's threads, and the only place one is started: a TaskQueue runs the tasks
// its owner hands it on one thread or a few, and hands back their outcome when the
// owner waits. A task returns true, or false after a call of the Env failed: the
// failure's note then travels back with the outcome and is the owner's when Wait
// returns. An exception a task throws is thrown again by the Wait that meets it.
//
// The owner is one thread. What a task uses must stay valid until Wait returns.
#ifndef VANTOR_ENGINE_PLATFORM_TASKS_H_
#define VANTOR_ENGINE_PLATFORM_TASKS_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace vantor {

class TaskQueue {
 public:
  // `threads` threads, started with the first task. At most `bound` tasks are handed
  // over and not yet ended at any time: Start waits for room.
  explicit TaskQueue(int threads = 1, std::size_t bound = 1)
      : threadCount_(threads), bound_(bound) {}
  // Waits for the tasks that are running; those not started are dropped unrun, and what
  // they hold is destroyed.
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  // Hands `task` over: a callable that returns bool, or nothing (then it cannot fail
  // but by throwing). It must be copyable.
  template <typename Task>
  void Start(Task task) {
    if constexpr (std::is_void_v<std::invoke_result_t<Task&>>) {
      Hand([task = std::move(task)]() mutable {
        task();
        return true;
      });
    } else {
      Hand(std::function<bool()>(std::move(task)));
    }
  }

  // Waits until every task handed over has ended. Throws again the first exception one
  // of them threw since the last Wait; else false when one returned false since then,
  // with the first such failure's note now this thread's.
  bool Wait();

  // Runs `here` on this thread beside the tasks handed over, then waits as Wait does.
  // When `here` throws, the tasks are waited for first (they may use what is about to
  // go), their outcome dropped, and the exception goes on.
  template <typename Here>
  bool WaitAfter(Here&& here) {
    try {
      here();
    } catch (...) {
      try {
        Wait();
      } catch (...) {
      }
      throw;
    }
    return Wait();
  }

 private:
  void Hand(std::function<bool()> task);
  void Loop();

  const int threadCount_;
  const std::size_t bound_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<bool()>> waiting_;
  std::size_t pending_ = 0;  // handed over and not yet ended
  bool ok_ = true;
  std::string note_;  // of the first task that failed
  std::exception_ptr error_;
  bool quit_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_TASKS_H_
