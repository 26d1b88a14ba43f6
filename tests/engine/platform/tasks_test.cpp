// The engine's one way to run work on another thread: outcomes, failure notes and
// exceptions come back to the owner, the bound holds, and a running task is waited for.
#include "engine/platform/tasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "engine/platform/env.h"

namespace vantor {
namespace {

TEST(TaskQueueTest, OutcomesNotesAndExceptionsComeBackToTheOwner) {
  TaskQueue queue(2, 4);
  std::atomic<int> ran{0};
  for (int i = 0; i < 10; ++i) queue.Start([&ran] { ++ran; });
  EXPECT_TRUE(queue.Wait());
  EXPECT_EQ(ran, 10);

  // The first failure's note is the owner's, noted on the task's thread.
  TakeFailureNote();
  queue.Start([] {
    NoteFailure("cannot write 'a': No space left on device");
    return false;
  });
  EXPECT_FALSE(queue.Wait());
  EXPECT_EQ(TakeFailureNote(), "cannot write 'a': No space left on device");
  EXPECT_TRUE(queue.Wait());  // told once

  // An exception wins over a failure, and is thrown once.
  queue.Start([] { return false; });
  queue.Start([]() -> bool { throw std::runtime_error("odd"); });
  EXPECT_THROW(queue.Wait(), std::runtime_error);
  EXPECT_TRUE(queue.Wait());
}

TEST(TaskQueueTest, AtMostTheBoundIsHandedOverAndARunningTaskIsWaitedFor) {
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  std::atomic<int> ran{0};
  {
    TaskQueue queue(3, 2);
    for (int i = 0; i < 20; ++i) {
      queue.Start([&] {
        const int now = ++running;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        --running;
        ++ran;
      });
    }
    queue.Wait();
    EXPECT_LE(most, 2);
    EXPECT_EQ(ran, 20);
  }
  // A queue that goes waits for the task that is running.
  std::atomic<bool> started{false};
  std::atomic<bool> release{false};
  ran = 0;
  {
    TaskQueue queue(1, 3);
    queue.Start([&] {
      started = true;
      while (!release) {
      }
      ++ran;
    });
    queue.Start([&] { ++ran; });
    while (!started) {
    }
    release = true;
  }
  EXPECT_GE(ran, 1);
}

}  // namespace
}  // namespace vantor
