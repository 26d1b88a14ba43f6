// The worker thread of a run and the way its messages come back to the processing page.
//
// The worker runs ActionRunner over the page's job and posts each message as a RunEvent
// to the page object, which lives on the user-interface thread and outlives the worker.
// The page reads the job again only after the event of WMU_DONE or WMU_ERROR.
#ifndef VANTOR_WIZARD_RUN_WORKER_H_
#define VANTOR_WIZARD_RUN_WORKER_H_

#include <QEvent>
#include <QThread>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/job.h"
#include "engine/platform/env.h"
#include "engine/runner.h"

class QObject;

namespace vantor::wizard {

// One message of the worker, tagged with the number of the run that sent it so that the
// page can tell a late message of an abandoned run from one of the current run. The
// event of WMU_INFO or WMU_INFO2 carries no text: it says that a newer text waits in the
// RunSink (see RunSink::TakeText).
class RunEvent final : public QEvent {
 public:
  // The event type, registered with Qt on first use.
  static QEvent::Type Type();

  RunEvent(int run, RunnerMessage message)
      : QEvent(Type()), m_nRun(run), m_message(std::move(message)) {}

  int run() const { return m_nRun; }
  const RunnerMessage& message() const { return m_message; }

 private:
  int m_nRun;
  RunnerMessage m_message;
};

// The MessageSink of the wizard: posts the worker's messages to `receiver` as RunEvents.
//
// Starts and ends of actions, WMU_DONE and WMU_ERROR are posted one event each, in the
// order they are sent. The progress texts are only the latest of their kind: while the
// event of one WMU_INFO (or WMU_INFO2) waits in the queue, newer texts of that kind
// replace the waiting one instead of adding events. So a run of any length keeps at most
// one progress event of each kind in the user-interface thread's queue, and posting a
// text costs the worker a lock and a string copy.
class RunSink final : public MessageSink {
 public:
  RunSink(QObject* receiver, int run) : m_pReceiver(receiver), m_nRun(run) {}

  // Worker thread.
  void Post(RunnerMessage message) override;

  // User-interface thread, on the event of WMU_INFO or WMU_INFO2: the newest text of
  // that kind not taken yet. False when there is none (an earlier event took it).
  bool TakeText(MessageCode code, std::string* text);

 private:
  static int TextIndex(MessageCode code) { return code == WMU_INFO ? 0 : 1; }

  QObject* const m_pReceiver;
  const int m_nRun;
  std::mutex m_mutex;
  std::optional<std::string> m_waitingText[2];  // WMU_INFO, WMU_INFO2
};

// Starts a thread with a stack of 1 MiB that runs ActionRunner(job, sink, env, actions).
// Run() and ends. `job`, `sink`, `env` and `actions` must outlive the thread; the caller
// waits for it (QThread::wait) before it lets go of any of them.
std::unique_ptr<QThread> StartRunWorker(ProcessingJob& job, MessageSink& sink, Env* env,
                                        const ActionSet& actions = DefaultActions());

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_RUN_WORKER_H_
