// A second thread for work that splits in two: the caller hands it one task, does its
// own share meanwhile, then waits for it. The thread starts with the first task and
// ends with the object.
#ifndef VANTOR_ENGINE_HELPER_THREAD_H_
#define VANTOR_ENGINE_HELPER_THREAD_H_

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vantor {

class HelperThread {
 public:
  HelperThread() = default;
  // Waits for the task being run.
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Starts `task` on the thread, after the task before has ended. The task must not
  // throw; what it uses must stay valid until Wait returns.
  void Start(std::function<void()> task);
  // Waits until no task is running.
  void Wait();

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_HELPER_THREAD_H_
