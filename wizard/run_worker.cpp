#include "wizard/run_worker.h"

#include <QCoreApplication>

namespace vantor::wizard {

namespace {

constexpr unsigned kWorkerStackSize = 1 << 20;

class RunThread final : public QThread {
 public:
  RunThread(ProcessingJob& job, MessageSink& sink, Env* env, const ActionSet& actions)
      : m_job(job), m_sink(sink), m_pEnv(env), m_actions(actions) {}

 protected:
  void run() override { ActionRunner(m_job, m_sink, m_pEnv, m_actions).Run(); }

 private:
  ProcessingJob& m_job;
  MessageSink& m_sink;
  Env* const m_pEnv;
  const ActionSet& m_actions;
};

}  // namespace

QEvent::Type RunEvent::Type() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void RunSink::Post(RunnerMessage message) {
  if (message.code == WMU_INFO || message.code == WMU_INFO2) {
    bool waiting;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::optional<std::string>& slot = m_waitingText[TextIndex(message.code)];
      waiting = slot.has_value();
      slot = std::move(message.text);
    }
    // The event already in the queue will pick up the newer text.
    if (waiting) return;
    message.text.clear();
  }
  QCoreApplication::postEvent(m_pReceiver, new RunEvent(m_nRun, std::move(message)));
}

bool RunSink::TakeText(MessageCode code, std::string* text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::optional<std::string>& slot = m_waitingText[TextIndex(code)];
  if (!slot.has_value()) return false;
  *text = std::move(*slot);
  slot.reset();
  return true;
}

std::unique_ptr<QThread> StartRunWorker(ProcessingJob& job, MessageSink& sink, Env* env,
                                        const ActionSet& actions) {
  auto thread = std::make_unique<RunThread>(job, sink, env, actions);
  thread->setStackSize(kWorkerStackSize);
  thread->start();
  return thread;
}

}  // namespace vantor::wizard
