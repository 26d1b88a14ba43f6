// The worker thread of a run and the way its messages come back to the processing page.
//
// The worker runs ActionRunner over the page's job and posts each message through the
// page's mailbox to a receiver of the page, on the user-interface thread. The page
// outlives the worker and reads the job again only after WMU_DONE or WMU_ERROR reached it.
#ifndef VANTOR_WIZARD_RUN_WORKER_H_
#define VANTOR_WIZARD_RUN_WORKER_H_

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/job.h"
#include "engine/platform/env.h"
#include "engine/runner.h"
#include "wizard/framework/mailbox.h"
#include "wizard/framework/thread.h"

namespace vantor::wizard {

// The MessageSink of the wizard: hands the worker's messages to `receiver` on the
// user-interface thread, through `mailbox`. A message of WMU_INFO or WMU_INFO2 reaches
// the receiver without its text: it says that a newer text waits here (TakeText).
//
// Starts and ends of actions, WMU_DONE and WMU_ERROR are posted one letter each, in the
// order they are sent. The progress texts are only the latest of their kind: while the
// letter of one WMU_INFO (or WMU_INFO2) waits in the mailbox, newer texts of that kind
// replace the waiting one instead of adding letters. So a run of any length keeps at most
// one progress letter of each kind waiting, and posting a text costs the worker a lock and
// a string copy.
class RunSink final : public MessageSink {
 public:
  using Receiver = std::function<void(const RunnerMessage&)>;

  // `mailbox` must outlive the sink's letters (the page owns both).
  RunSink(framework::Mailbox& mailbox, Receiver receiver)
      : m_mailbox(mailbox), m_receiver(std::move(receiver)) {}

  // Worker thread.
  void Post(RunnerMessage message) override;

  // User-interface thread, on a message of WMU_INFO or WMU_INFO2: the newest text of
  // that kind not taken yet. False when there is none (an earlier letter took it).
  bool TakeText(MessageCode code, std::string* text);

 private:
  static int TextIndex(MessageCode code) { return code == WMU_INFO ? 0 : 1; }

  framework::Mailbox& m_mailbox;
  const Receiver m_receiver;
  std::mutex m_mutex;
  std::optional<std::string> m_waitingText[2];  // WMU_INFO, WMU_INFO2
};

// The stack of the worker thread.
inline constexpr std::size_t kWorkerStackSize = 1 << 20;

// Starts a thread with a stack of kWorkerStackSize that runs ActionRunner(job, sink, env,
// actions).Run() and ends. `job`, `sink`, `env` and `actions` must outlive the thread;
// the caller joins it before it lets go of any of them.
std::unique_ptr<framework::Thread> StartRunWorker(ProcessingJob& job, MessageSink& sink, Env* env,
                                                  const ActionSet& actions = DefaultActions());

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_RUN_WORKER_H_
