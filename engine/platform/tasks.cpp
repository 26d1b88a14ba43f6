#include "engine/platform/tasks.h"

#include "engine/platform/env.h"

namespace vantor {

TaskQueue::~TaskQueue() {
  std::deque<std::function<bool()>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    dropped.swap(waiting_);
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TaskQueue::Hand(std::function<bool()> task) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (threads_.empty()) {
    for (int k = 0; k < threadCount_; ++k) threads_.emplace_back([this] { Loop(); });
  }
  changed_.wait(lock, [this] { return pending_ < bound_; });
  waiting_.push_back(std::move(task));
  ++pending_;
  lock.unlock();
  changed_.notify_all();
}

bool TaskQueue::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return pending_ == 0; });
  const bool ok = std::exchange(ok_, true);
  std::string note = std::exchange(note_, std::string());
  if (std::exception_ptr error = std::exchange(error_, nullptr)) std::rethrow_exception(error);
  if (!ok) NoteFailure(std::move(note));
  return ok;
}

void TaskQueue::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    std::function<bool()> task = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    bool ok = false;
    std::exception_ptr error;
    try {
      ok = task();
    } catch (...) {
      error = std::current_exception();
    }
    std::string note = ok || error ? std::string() : TakeFailureNote();
    task = nullptr;  // what it held goes before its owner hears it ended
    lock.lock();
    if (error && !error_) error_ = error;
    if (!ok && !error && ok_) {
      ok_ = false;
      note_ = std::move(note);
    }
    --pending_;
    changed_.notify_all();
  }
}

}  // namespace vantor
