#include "wizard/completion_page.h"

#include "engine/duration.h"
#include "engine/texts.h"
#include "wizard/file_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

namespace {

constexpr std::chrono::seconds kFinishHold(1);

}  // namespace

const DialogTemplate& CCompletionPage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      kCompletion, 310, 178, "Zelcor Vantor",
      {
          {IDC_PANEL_AREA, ControlKind::Static, {109, 0, 200, 177}, "", kStaticEdge},
          {IDC_PANEL, ControlKind::Picture, {0, 0, 109, 178}, "", kCenterImage},
          {IDC_TITLE, ControlKind::Static, {115, 1, 188, 24}, "Completing the Zelcor\nVantor"},
          {IDC_FINISH_HINT, ControlKind::Static, {115, 163, 187, 8},
            "To close this wizard, click Finish."},
          {IDC_RESULTS, ControlKind::Edit, {115, 54, 187, 86},
            "",
            kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kStaticEdge | kTabStop},
          {IDC_RESULTS_LABEL, ControlKind::Static, {115, 39, 27, 8}, "Results:"},
          {IDC_BACK_HINT, ControlKind::Static, {115, 148, 82, 8}, "To start again, click Back."},
      }};
  // clang-format on
  return kTemplate;
}

CCompletionPage::CCompletionPage() : CPanelPage(Template(), IDC_TITLE) {}

void CCompletionPage::OnInitDialog() {
  CPanelPage::OnInitDialog();
  if (CVantorSheet::Of(this) == nullptr) return;
  SetDlgItemFill(IDC_RESULTS, framework::Fill::WindowColour);
  // Coming in by Tab or by the page's first focus, the text is neither selected nor
  // scrolled away; a click places the caret after this, where it was clicked.
  OnFocusIn(IDC_RESULTS, [this] { SetEditCaret(IDC_RESULTS, 0); });
}

void CCompletionPage::OnSetActive() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  sheet->SetWizardButtons(framework::PSWIZB_BACK | framework::PSWIZB_FINISH);
  const RunOutcome& outcome = sheet->GetLastOutcome();
  std::string text = outcome.results;
  if (outcome.completed) text += kProcessingTaken + FormatDuration(outcome.elapsedMs) + "\r\n";
  m_strText = text;
  SetDlgItemText(IDC_RESULTS, text);
  m_shownAt = framework::PropertySheet::Now();
}

int CCompletionPage::OnWizardBack() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return kChooseActions;
  const RunOutcome& outcome = sheet->GetLastOutcome();
  if (!outcome.completed && GoToFieldNaming(*sheet, outcome.fileAtFault)) return -1;
  return kChooseActions;
}

bool CCompletionPage::OnWizardFinish() {
  return framework::PropertySheet::Now() - m_shownAt >= kFinishHold;
}

}  // namespace vantor::wizard
