#include "wizard/summary_page.h"

#include "engine/summary.h"
#include "wizard/file_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSummaryPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kSummary, 310, 178, "Zelcor Vantor - Summary Information", {}};
    AddHeader(
        &dialog,
        {.title = "Summary Information",
         .subtitle =
             "Check the summary information. You can click Back and modify any entered data."});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {IDC_SUMMARY, ControlKind::Edit, {28, 48, 254, 108},
          "", kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kBorder | kTabStop},
        {kNoId, ControlKind::Static, {28, 163, 100, 8}, "To start processing, click Next."},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CSummaryPage::CSummaryPage() : CHeaderPage(Template()) {}

void CSummaryPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  OnFocusIn(IDC_SUMMARY, [this] { DropEditSelection(IDC_SUMMARY); });
}

void CSummaryPage::OnSetActive() {
  const CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  SetDlgItemText(IDC_SUMMARY, BuildSummaryText(sheet->GetChoices()));
}

int CSummaryPage::OnWizardNext() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  return sheet == nullptr || CheckFilesBeforeRun(*sheet) ? 0 : -1;
}

}  // namespace vantor::wizard
