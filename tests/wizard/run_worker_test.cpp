// The worker and its sink: the order of the messages that reach the page, and progress
// texts that never pile up in the event queue however fast the worker posts them.
#include "wizard/run_worker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/choices.h"
#include "engine/error.h"
#include "tests/support/recording_sink.h"

namespace vantor::wizard {
namespace {

using testing::TraceLine;

constexpr int kTexts = 100000;  // per kind and action: far more than a real run posts

std::atomic<int> g_count{0};

// Posts counts as fast as it can, numbered on from where the last action stopped.
void Chatty(RunContext& run) {
  for (int i = 0; i < kTexts; ++i) {
    const int count = ++g_count;
    run.PostInfo2(std::to_string(count));
    run.PostInfo("step " + std::to_string(count));
  }
}
void ChattyThenFails(RunContext& run) {
  run.PostInfo2("last count");
  run.PostInfo("last step");
  Raise("failed to write data");
}

// The page's end: keeps what reaches it as a trace ("start 0", "info2 12", "done" ...),
// each text line with the text the sink hands over.
class Receiver final {
 public:
  void Receive(const RunnerMessage& message) {
    RunnerMessage shown = message;
    if (shown.code == WMU_INFO || shown.code == WMU_INFO2) {
      ++textEvents;
      // An event finds no text when an earlier one of its kind took the newest.
      if (!sink->TakeText(shown.code, &shown.text)) return;
    }
    trace.push_back(TraceLine(shown));
    if (shown.code == WMU_DONE || shown.code == WMU_ERROR) ended = true;
  }

  RunSink* sink = nullptr;
  std::vector<std::string> trace;
  int textEvents = 0;
  bool ended = false;
};

class RunWorkerTest : public ::testing::Test {
 protected:
  RunWorkerTest() : m_sink(m_mailbox, [this](const RunnerMessage& m) { m_receiver.Receive(m); }) {
    m_receiver.sink = &m_sink;
    JobChoices choices;
    choices.filter = choices.include = true;
    BuildJob(choices, &m_job);
    m_actions = DefaultActions();
    m_actions.filter = Chatty;
    g_count = 0;
  }

  Receiver m_receiver;
  framework::Mailbox m_mailbox;
  RunSink m_sink;
  ProcessingJob m_job;
  ActionSet m_actions;
};

TEST_F(RunWorkerTest, AWorkerThatIsNeverListenedToLeavesOneEventPerMessageThatCounts) {
  m_actions.include = ChattyThenFails;
  std::unique_ptr<framework::Thread> worker =
      StartRunWorker(m_job, m_sink, Env::Default(), m_actions);
  EXPECT_EQ(worker->StackSize(), 1u << 20);
  worker->Join();
  m_mailbox.DeliverNow();

  // The first text event of each kind brings the newest text, even one of the next
  // action; the starts, ends and the error keep their order.
  const std::vector<std::string> expected = {"start 0",        "info2 last count",
                                             "info last step", "end 0",
                                             "start 1",        "error failed to write data"};
  EXPECT_EQ(m_receiver.trace, expected);
  EXPECT_EQ(m_receiver.textEvents, 2);
}

TEST_F(RunWorkerTest, TextsShownWhileTheWorkerPostsAreNeverOlderThanOnesShownBefore) {
  m_actions.include = Chatty;
  std::unique_ptr<framework::Thread> worker =
      StartRunWorker(m_job, m_sink, Env::Default(), m_actions);
  ASSERT_TRUE(QTest::qWaitFor([this] { return m_receiver.ended; }, 60000));
  worker->Join();

  std::vector<std::string> order;
  int lastCount = 0;
  for (const std::string& line : m_receiver.trace) {
    if (line.rfind("info", 0) != 0) {
      order.push_back(line);
    } else if (line.rfind("info2 ", 0) == 0 && line.size() > 6) {
      const int count = std::stoi(line.substr(6));
      EXPECT_GT(count, lastCount) << "an older count came after a newer one";
      lastCount = count;
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"start 0", "end 0", "start 1", "end 1", "done"}));
  EXPECT_LE(m_receiver.textEvents, 4 * kTexts + 8);
  // Each action's end empties both lines, and that is what stays.
  std::string text;
  EXPECT_FALSE(m_sink.TakeText(WMU_INFO, &text));
  EXPECT_FALSE(m_sink.TakeText(WMU_INFO2, &text));
  const auto lastOf = [this](const std::string& kind) {
    for (auto it = m_receiver.trace.rbegin(); it != m_receiver.trace.rend(); ++it) {
      if (it->rfind(kind, 0) == 0) return *it;
    }
    return std::string("none");
  };
  EXPECT_EQ(lastOf("info "), "info ");
  EXPECT_EQ(lastOf("info2 "), "info2 ");
}

// Letters come in the order posted, one per turn of the event loop: a letter that opens a
// modal loop (a message box, say) still sees the next ones delivered inside it, and
// DeliverNow does what waits at once. A mailbox destroyed with letters waiting drops them.
TEST(MailboxTest, DeliversInOrderAlsoInsideALetterThatRunsTheEventLoop) {
  std::vector<std::string> seen;
  framework::Mailbox mailbox;
  std::thread poster([&] {
    mailbox.Post([&] {
      seen.push_back("modal");
      // The modal loop: turns of the event loop until the next letters have come.
      EXPECT_TRUE(QTest::qWaitFor([&] { return seen.size() == 3; }, 10000));
      seen.push_back("modal ends");
    });
    mailbox.Post([&] { seen.push_back("b"); });
    mailbox.Post([&] { seen.push_back("c"); });
  });
  poster.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return seen.size() == 4; }, 10000));
  EXPECT_EQ(seen, (std::vector<std::string>{"modal", "b", "c", "modal ends"}));

  mailbox.Post([&] { seen.push_back("d"); });
  mailbox.Post([&] { seen.push_back("e"); });
  mailbox.DeliverNow();
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen.back(), "e");
  QCoreApplication::processEvents();  // the wake-ups find nothing left
  EXPECT_EQ(seen.size(), 6u);

  {
    framework::Mailbox dropped;
    dropped.Post([&] { seen.push_back("never"); });
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(seen.size(), 6u);
}

}  // namespace
}  // namespace vantor::wizard
