// Work handed to the user-interface thread by other threads: letters, done there in the
// order they were posted, one per turn of the event loop that is running (a modal one
// too), as the toolkit's own posted events are.
#ifndef VANTOR_WIZARD_FRAMEWORK_MAILBOX_H_
#define VANTOR_WIZARD_FRAMEWORK_MAILBOX_H_

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "wizard/framework/backend.h"

namespace vantor::framework {

class Mailbox {
 public:
  // User-interface thread.
  Mailbox();
  // User-interface thread. Letters not done yet are dropped: whoever posts must have
  // stopped before.
  ~Mailbox();
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  // Any thread.
  void Post(std::function<void()> letter);
  // User-interface thread: does every letter waiting now, in order, before it returns.
  void DeliverNow();

 private:
  // Takes the oldest letter, if any.
  std::function<void()> Take();
  // What a wake-up does: the oldest letter, after asking for another wake-up when more
  // wait (the letter may open a modal loop, which must go on delivering).
  void DeliverOne();

  std::mutex m_mutex;
  std::deque<std::function<void()>> m_letters;
  std::unique_ptr<backend::Waker> m_waker;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_MAILBOX_H_
