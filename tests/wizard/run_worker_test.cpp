// The worker and its sink: the order of the messages that reach the page, and progress
// texts that never pile up in the event queue however fast the worker posts them.
#include "wizard/run_worker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <string>
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
class Receiver final : public QObject {
 public:
  void customEvent(QEvent* event) override {
    if (event->type() != RunEvent::Type()) return;
    const auto& run = *static_cast<RunEvent*>(event);
    EXPECT_EQ(run.run(), 7);
    RunnerMessage shown = run.message();
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
  RunWorkerTest() : m_sink(&m_receiver, 7) {
    m_receiver.sink = &m_sink;
    JobChoices choices;
    choices.filter = choices.include = true;
    BuildJob(choices, &m_job);
    m_actions = DefaultActions();
    m_actions.filter = Chatty;
    g_count = 0;
  }

  Receiver m_receiver;
  RunSink m_sink;
  ProcessingJob m_job;
  ActionSet m_actions;
};

TEST_F(RunWorkerTest, AWorkerThatIsNeverListenedToLeavesOneEventPerMessageThatCounts) {
  m_actions.include = ChattyThenFails;
  std::unique_ptr<QThread> worker = StartRunWorker(m_job, m_sink, Env::Default(), m_actions);
  EXPECT_EQ(worker->stackSize(), 1u << 20);
  ASSERT_TRUE(worker->wait(60000));
  QCoreApplication::sendPostedEvents(&m_receiver);

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
  std::unique_ptr<QThread> worker = StartRunWorker(m_job, m_sink, Env::Default(), m_actions);
  ASSERT_TRUE(QTest::qWaitFor([this] { return m_receiver.ended; }, 60000));
  ASSERT_TRUE(worker->wait(60000));

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

}  // namespace
}  // namespace vantor::wizard
