// The page that runs the job and shows its progress: one line per chosen action with
// its mark, two lines of progress text, a bar of how much of the job is done, and the
// time elapsed with the time left once it can be told.
//
// Each activation builds the ProcessingJob from the sheet's choices and starts one
// worker thread on it; the worker's messages come back through the page's mailbox
// (run_worker.h).
// When the run ends the page hands its outcome to the sheet and moves the wizard to the
// completion page by itself. User-interface thread only; the page object outlives every
// worker it starts (its destructor stops and awaits a worker still running).
#ifndef VANTOR_WIZARD_PROCESSING_PAGE_H_
#define VANTOR_WIZARD_PROCESSING_PAGE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/job.h"
#include "engine/platform/env.h"
#include "wizard/framework/mailbox.h"
#include "wizard/framework/thread.h"
#include "wizard/framework/timer.h"
#include "wizard/header_page.h"

namespace vantor::wizard {

class ArrowCheck;
class RunSink;

class CProcessingPage : public CHeaderPage {
 public:
  enum : int {
    IDC_PROGRESS = 1047,
    IDC_INFO = 1048,
    IDC_INFO2 = 1049,
    IDC_ELAPSED = 1059,
    IDC_FIRST_MARK = 1060,
    IDC_FIRST_LABEL = 1061  // slot i: mark 1060 + 2i, label 1061 + 2i
  };
  static constexpr int kSlotCount = 6;

  CProcessingPage();
  ~CProcessingPage() override;
  static const framework::DialogTemplate& Template();

  // Starts a run with the choices the pages hold now: the marks and texts emptied, a
  // label per chosen action, no wizard button but Cancel, the worker and the timers
  // started, the bar empty. When no temporary directory can
  // be named: the error box, the completion page taken out of the sheet and Finish the
  // only way on.
  void OnSetActive() override;
  // While a run lasts, asks whether to stop it ("Stop processing?", No the default);
  // true without a run. A run that ends while the question is up closes it and shows its
  // results, as without a question; so does one that had ended before it was asked, and
  // one whose results were put in place before a Yes could stop it.
  bool OnQueryCancel() override;
  // Stops a worker still running and waits until it has ended (after its current chunk;
  // its destination stays as it was); the sheet then closes.
  void OnCancel() override;

  // Shows `caption` in the label of the next free slot and returns that slot.
  int AssignSlot(const std::string& caption);

  // What the one-second timer does: the bar brought up to date (OnBarTimer) and the time
  // since the run started in 1059, "hh:mm:ss" with hours not wrapped, followed by
  // " (about hh:mm:ss left)" once the time left can be told (FormatElapsedAndLeft).
  void OnTimer();
  // What the quarter-second timer does: the bar shows the share of the job done, in
  // tenths of a percent (0 to kBarRange). It never goes back within a run.
  void OnBarTimer();
  static constexpr int kBarRange = 1000;

  // The mark of `slot` (0 to 5), or nullptr while the page has no window.
  ArrowCheck* GetMark(int slot) const;
  // The job of the current or last run. Not to be read while a run lasts.
  const ProcessingJob& GetJob() const { return m_job; }
  // True from the start of a run until its end was handled or it was cancelled.
  bool IsRunning() const { return m_bRunning; }

  // For tests. Runs seeded with `seed` instead of the current time (nullopt: the time
  // again); the Env that the worker and the elapsed-time clock use (nullptr: the real
  // one); the chunk sizes of the actions. Used before a run starts.
  void SetFixedSeed(std::optional<std::uint32_t> seed) { m_fixedSeed = seed; }
  void SetEnv(Env* env) { m_pEnv = env != nullptr ? env : Env::Default(); }
  void SetChunkSizes(const ChunkSizes& sizes) { m_job.chunkSizes = sizes; }
  // The fraction the bar and the time left follow instead of the job's (nullptr: the
  // job's again). It must outlive its use.
  void SetFraction(const JobFraction* fraction) { m_pFraction = fraction; }

 private:
  // A message of the worker of run `run`, on the user-interface thread.
  void OnRunMessage(int run, const RunnerMessage& message);
  // The run ended (WMU_DONE or WMU_ERROR): the sheet gets its RunOutcome and the wizard
  // moves to the completion page.
  void EndRun(bool failed);
  void KillRunTimer();
  // Asks a running worker to stop, waits for it and lets it go. The page's Cancel, the
  // next run and the destructor.
  void StopWorker();

  ProcessingJob m_job;
  // The share of the job done, as the worker has got it (parts per million).
  std::uint32_t Fraction() const;

  std::unique_ptr<framework::Timer> m_pTimer;     // the one-second timer while a run lasts
  std::unique_ptr<framework::Timer> m_pBarTimer;  // the quarter-second one
  framework::Mailbox m_mailbox;                   // what the worker posts, to the page
  std::unique_ptr<RunSink> m_pSink;
  std::unique_ptr<framework::Thread> m_pWorker;
  int m_nRun = 0;  // numbers the runs, so that messages of an abandoned run are ignored
  bool m_bRunning = false;
  int m_nSlots = 0;  // slots handed out in the current run

  Env* m_pEnv = Env::Default();
  std::optional<std::uint32_t> m_fixedSeed;
  const JobFraction* m_pFraction = nullptr;
  std::uint32_t m_startTick = 0;  // when the run began, for the elapsed time shown
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PROCESSING_PAGE_H_
