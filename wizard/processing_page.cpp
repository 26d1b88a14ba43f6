#include "wizard/processing_page.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "engine/choices.h"
#include "engine/format.h"
#include "engine/progress.h"
#include "engine/runner.h"
#include "engine/texts.h"
#include "wizard/completion_page.h"
#include "wizard/controls.h"
#include "wizard/file_fields.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/utf8.h"
#include "wizard/run_worker.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CProcessingPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kProcessing, 310, 178, "Zelcor Vantor - Processing...", {}};
    AddHeader(&dialog,
              {.title = "Processing...", .subtitle = "Wait while all actions will be processed"});
    // Slot i of the actions: mark 1060 + 2i and label 1061 + 2i; three on the left, three on
    // the right.
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {IDC_FIRST_MARK + 0, ControlKind::Custom, {28, 48, 10, 10},
          "l1", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 0, ControlKind::Static, {38, 48, 113, 8}, "action1", kEndEllipsis},
        {IDC_FIRST_MARK + 2, ControlKind::Custom, {28, 65, 10, 10},
          "l2", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 2, ControlKind::Static, {38, 65, 113, 8}, "action2", kEndEllipsis},
        {IDC_FIRST_MARK + 4, ControlKind::Custom, {28, 82, 10, 10},
          "l3", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 4, ControlKind::Static, {38, 82, 113, 8}, "action3", kEndEllipsis},
        {IDC_FIRST_MARK + 6, ControlKind::Custom, {157, 48, 10, 10},
          "l4", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 6, ControlKind::Static, {167, 48, 113, 8}, "action4", kEndEllipsis},
        {IDC_FIRST_MARK + 8, ControlKind::Custom, {157, 65, 10, 10},
          "l5", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 8, ControlKind::Static, {167, 65, 113, 8}, "action5", kEndEllipsis},
        {IDC_FIRST_MARK + 10, ControlKind::Custom, {157, 82, 10, 10},
          "l6", 0, kArrowCheckClass},
        {IDC_FIRST_LABEL + 10, ControlKind::Static, {167, 82, 113, 8}, "action6", kEndEllipsis},
        {IDC_INFO2, ControlKind::Static, {28, 118, 253, 8}, "Info2"},
        {IDC_INFO, ControlKind::Static, {28, 133, 253, 8}, "Info", kWordEllipsis},
        {IDC_PROGRESS, ControlKind::ProgressBar, {28, 148, 253, 14}, "", kBorder | kSmooth},
        {kNoId, ControlKind::Static, {28, 169, 45, 8}, "Time elapsed:"},
        {IDC_ELAPSED, ControlKind::Static, {74, 169, 206, 8}, "00:00:00"},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

namespace {

constexpr std::chrono::milliseconds kTimerPeriod(1000);
// Often enough for the bar to move smoothly, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kBarTimerPeriod(250);
const char kErrorCaption[] = "Error occured";

int LabelId(int slot) { return CProcessingPage::IDC_FIRST_LABEL + 2 * slot; }
int MarkId(int slot) { return CProcessingPage::IDC_FIRST_MARK + 2 * slot; }

}  // namespace

CProcessingPage::CProcessingPage() : CHeaderPage(Template()) {}

CProcessingPage::~CProcessingPage() {
  KillRunTimer();
  // The worker works on m_job and posts to this object: it must not outlive them.
  StopWorker();
}

void CProcessingPage::OnSetActive() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  // Nothing of an earlier run may still touch the job that is about to be refilled.
  KillRunTimer();
  StopWorker();
  m_bRunning = false;
  ++m_nRun;

  m_job.random.Seed(m_fixedSeed ? *m_fixedSeed : static_cast<std::uint32_t>(std::time(nullptr)));
  SetProgressRange(IDC_PROGRESS, 0, kBarRange);
  SetProgressPos(IDC_PROGRESS, 0);
  sheet->SetWizardButtons(0);
  SetDlgItemText(IDC_INFO, "");
  SetDlgItemText(IDC_INFO2, "");
  SetDlgItemText(IDC_ELAPSED, FormatElapsed(0));
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (ArrowCheck* mark = GetMark(slot)) {
      mark->SetState(ArrowCheck::StateEmpty, true);
    }
    SetDlgItemText(LabelId(slot), "");
  }
  m_nSlots = 0;

  for (const std::string& caption : BuildJob(sheet->GetChoices(), &m_job)) {
    AssignSlot(caption);
  }
  m_job.resultsText.clear();

  m_pSink = std::make_unique<RunSink>(
      m_mailbox,
      [this, run = m_nRun](const RunnerMessage& message) { OnRunMessage(run, message); });
  if (!ActionRunner(m_job, *m_pSink, m_pEnv).PrepareTempDirectory()) {
    framework::ShowMessageBox(GetWindow(), kTempPathFailed, kErrorCaption,
                              framework::MessageIcon::Stop);
    sheet->RemovePage(sheet->GetPageIndex(sheet->GetCompletionPage()));
    sheet->SetWizardButtons(framework::PSWIZB_FINISH);
    return;
  }
  if (!m_job.runPermission) m_job.runPermission = std::make_unique<RunPermission>();
  // The worker starts its fraction from nothing too, but the bar's timer must not catch
  // the last run's whole one before it does.
  m_job.progress.Reset();
  m_pWorker = StartRunWorker(m_job, *m_pSink, m_pEnv);
  m_bRunning = true;
  m_startTick = m_pEnv->TickCount();
  // A coarse timer may fire a little early, which would show each second one tick late.
  m_pTimer = framework::StartTimer(kTimerPeriod, /*precise=*/true, [this] { OnTimer(); });
  m_pBarTimer = framework::StartTimer(kBarTimerPeriod,
                                      /*precise=*/false, [this] { OnBarTimer(); });
}

bool CProcessingPage::OnQueryCancel() {
  if (!m_bRunning) return true;
  // What the run posted before the press comes first: a run that has already ended shows
  // its results, and there is nothing left to stop.
  m_mailbox.DeliverNow();
  if (!m_bRunning) return false;
  // The run goes on while the question is up; its end closes the question (OnRunMessage).
  const framework::MessageAnswer answer = framework::ShowMessageBox(
      GetWindow(), "Stop processing? The files will be left as they were.", "Zelcor Vantor",
      framework::MessageIcon::Question, framework::MessageButtons::YesNo);
  if (answer != framework::MessageAnswer::Yes || !m_bRunning) return false;
  // A stop that meets the commit waits for its end: the results are then in place after
  // all, and are shown instead of closing the wizard on them.
  StopWorker();
  if (!m_job.completed) return true;
  m_mailbox.DeliverNow();
  return false;
}

void CProcessingPage::OnCancel() {
  KillRunTimer();
  m_bRunning = false;
  StopWorker();
}

int CProcessingPage::AssignSlot(const std::string& caption) {
  SetDlgItemText(LabelId(m_nSlots), caption);
  return m_nSlots++;
}

std::uint32_t CProcessingPage::Fraction() const {
  return (m_pFraction != nullptr ? *m_pFraction : m_job.progress).Get();
}

void CProcessingPage::OnTimer() {
  OnBarTimer();
  SetDlgItemText(IDC_ELAPSED, FormatElapsedAndLeft(m_pEnv->TickCount() - m_startTick, Fraction()));
}

void CProcessingPage::OnBarTimer() {
  const int shown =
      static_cast<int>(static_cast<std::uint64_t>(Fraction()) * kBarRange / JobFraction::kWhole);
  // A bar that went back would take back what the user was told was done.
  if (shown > GetProgressPos(IDC_PROGRESS)) SetProgressPos(IDC_PROGRESS, shown);
}

ArrowCheck* CProcessingPage::GetMark(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return dynamic_cast<ArrowCheck*>(GetCustomControl(MarkId(slot)));
}

void CProcessingPage::OnRunMessage(int run, const RunnerMessage& message) {
  // A cancelled run still sends its last messages while the sheet closes.
  if (run != m_nRun || !m_bRunning) return;
  switch (message.code) {
    case WMU_INFO:
    case WMU_INFO2: {
      std::string text;
      if (m_pSink->TakeText(message.code, &text)) {
        SetDlgItemText(message.code == WMU_INFO ? IDC_INFO : IDC_INFO2, framework::ValidUtf8(text));
      }
      break;
    }
    case WMU_ACTION_START:
    case WMU_ACTION_END:
      if (ArrowCheck* mark = GetMark(message.slot)) {
        mark->SetState(
            message.code == WMU_ACTION_START ? ArrowCheck::StateArrow : ArrowCheck::StateCheck,
            true);
      }
      break;
    case WMU_DONE:
      framework::CloseMessageBoxes(GetWindow());
      EndRun(false);
      break;
    case WMU_ERROR: {
      framework::CloseMessageBoxes(GetWindow());
      KillRunTimer();
      m_bRunning = false;
      // The file and the system's reason follow the error, when the run noted them.
      std::string report = Format("%s\r\n%s", kRunErrorHeading, message.text.c_str());
      if (!m_job.errorDetail.empty()) report += "\r\n" + m_job.errorDetail;
      framework::ShowMessageBox(GetWindow(), framework::ValidUtf8(report), kErrorCaption,
                                framework::MessageIcon::Stop);
      m_job.resultsText += report;
      EndRun(true);
      break;
    }
  }
}

void CProcessingPage::EndRun(bool failed) {
  KillRunTimer();
  m_bRunning = false;
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  // The runner leaves the duration of a failed run unwritten: there is none to show.
  sheet->SetLastOutcome({.results = framework::ValidUtf8(m_job.resultsText),
                         .elapsedMs = failed ? 0 : m_job.elapsedMs,
                         .completed = !failed,
                         .fileAtFault = failed ? FileNamedIn(m_job.errorDetail) : std::string()});
  sheet->SetActivePage(sheet->GetCompletionPage());
}

void CProcessingPage::KillRunTimer() {
  m_pTimer.reset();
  m_pBarTimer.reset();
}

void CProcessingPage::StopWorker() {
  if (!m_pWorker) return;
  if (m_job.runPermission) m_job.runPermission->Reset();
  m_pWorker->Join();
  m_pWorker.reset();
  if (m_job.runPermission) m_job.runPermission->Set();
}

}  // namespace vantor::wizard
