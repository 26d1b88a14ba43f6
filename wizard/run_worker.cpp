#include "wizard/run_worker.h"

namespace vantor::wizard {

void RunSink::Post(RunnerMessage message) {
  if (message.code == WMU_INFO || message.code == WMU_INFO2) {
    bool waiting;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::optional<std::string>& slot = m_waitingText[TextIndex(message.code)];
      waiting = slot.has_value();
      slot = std::move(message.text);
    }
    // The letter already in the mailbox will pick up the newer text.
    if (waiting) return;
    message.text.clear();
  }
  // The receiver goes by value: a letter of an abandoned run may outlive its sink.
  m_mailbox.Post([receiver = m_receiver, message = std::move(message)] { receiver(message); });
}

bool RunSink::TakeText(MessageCode code, std::string* text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::optional<std::string>& slot = m_waitingText[TextIndex(code)];
  if (!slot.has_value()) return false;
  *text = std::move(*slot);
  slot.reset();
  return true;
}

std::unique_ptr<framework::Thread> StartRunWorker(ProcessingJob& job, MessageSink& sink, Env* env,
                                                  const ActionSet& actions) {
  return framework::StartThread(kWorkerStackSize, [&job, &sink, env, &actions] {
    ActionRunner(job, sink, env, actions).Run();
  });
}

}  // namespace vantor::wizard
