// Wake-ups, timers and threads of the Win32 backend, and the mailbox on them, with real
// message loops.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "wizard/framework/backend.h"
#include "wizard/framework/mailbox.h"
#include "wizard/framework/thread.h"
#include "wizard/framework/timer.h"

namespace vantor::framework {
namespace {

// Runs the thread's messages until `done` or two seconds have passed.
template <class Done>
bool PumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  MSG message;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}
void PumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  PumpUntil([end] { return std::chrono::steady_clock::now() > end; });
}

TEST(WakerTest, EachWakeRunsOnceAndWakesStillQueuedAreDroppedWithTheWaker) {
  int wakes = 0;
  auto waker = backend::MakeWaker([&wakes] { ++wakes; });
  for (int i = 0; i < 5; ++i) waker->Wake();
  EXPECT_EQ(wakes, 0) << "on the loop's turn, not at once";
  ASSERT_TRUE(PumpUntil([&wakes] { return wakes == 5; }));
  PumpFor(std::chrono::milliseconds(30));
  EXPECT_EQ(wakes, 5);
  waker->Wake();
  waker.reset();
  PumpFor(std::chrono::milliseconds(30));
  EXPECT_EQ(wakes, 5);
}

// A worker posts letters; the first opens a loop of its own (as a message box does), in
// which the others must still be delivered, in order.
TEST(MailboxTest, LettersFromAThreadArriveInOrderInsideANestedLoop) {
  Mailbox mailbox;
  std::vector<int> delivered;
  bool nestedDone = false;
  mailbox.Post([&] {
    delivered.push_back(0);
    nestedDone = PumpUntil([&delivered] { return delivered.size() == 101; });
  });
  auto worker = StartThread(256 * 1024, [&mailbox, &delivered] {
    for (int i = 1; i <= 100; ++i) mailbox.Post([&delivered, i] { delivered.push_back(i); });
  });
  worker->Join();
  ASSERT_TRUE(PumpUntil([&nestedDone] { return nestedDone; }));
  ASSERT_EQ(delivered.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(delivered[i], i);
}

TEST(TimerTest, TicksUntilDestroyed) {
  for (bool precise : {false, true}) {
    int ticks = 0;
    auto timer = StartTimer(std::chrono::milliseconds(20), precise, [&ticks] { ++ticks; });
    EXPECT_TRUE(PumpUntil([&ticks] { return ticks >= 3; })) << precise;
    timer.reset();
    const int stopped = ticks;
    PumpFor(std::chrono::milliseconds(80));
    EXPECT_EQ(ticks, stopped);
  }
}

// The reserve of the thread's stack: from its allocation base to the top of the committed
// part, where the stack starts.
std::size_t ReservedStack() {
  MEMORY_BASIC_INFORMATION region{};
  VirtualQuery(&region, &region, sizeof(region));
  const char* top = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
  return top - static_cast<const char*>(region.AllocationBase);
}

TEST(ThreadTest, TheStackIsReservedAtTheSizeAskedForAndTheEndIsWaitedFor) {
  for (std::size_t size : {std::size_t{1} << 20, std::size_t{16} << 20}) {
    std::atomic<std::size_t> reserved = 0;
    std::atomic<bool> ended = false;
    {
      auto thread = StartThread(size, [&] {
        reserved = ReservedStack();
        Sleep(30);
        ended = true;
      });
      EXPECT_EQ(thread->StackSize(), size);
    }  // joined by the destructor
    EXPECT_TRUE(ended);
    EXPECT_GE(reserved.load(), size);
    EXPECT_LT(reserved.load(), size + (1 << 20)) << "not the program's default";
  }
  auto thread = StartThread(1 << 20, [] {});
  thread->Join();
  thread->Join();  // again: returns at once
}

TEST(DoubleClickTest, TheIntervalIsTheDesktops) {
  EXPECT_EQ(backend::DoubleClickInterval().count(), static_cast<long long>(GetDoubleClickTime()));
}

}  // namespace
}  // namespace vantor::framework
