#include "engine/helper_thread.h"

#include <utility>

namespace vantor {

HelperThread::~HelperThread() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HelperThread::Start(std::function<void()> task) {
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  task_ = std::move(task);
  busy_ = true;
  lock.unlock();
  changed_.notify_all();
}

void HelperThread::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
}

void HelperThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || quit_; });
    if (!busy_) return;
    std::function<void()> task = std::move(task_);
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace vantor
