#include "wizard/output_page.h"

#include "engine/texts.h"
#include "wizard/file_fields.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& COutputPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kOutput, 310, 178, "Zelcor Vantor - Specify Output Filename", {}};
    AddHeader(
        &dialog,
        {.title = "Specify Output",
         .subtitle = "Specify file to place the result; you can check box to specify that the "
                     "input should be replaced by output.",
         .subtitleWidth = 191});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 55, 8}, "Output filename:"},
        {IDC_OUTPUT_FILE, ControlKind::Edit, {38, 62, 235, 14}, "", kFieldStyle},
        {IDC_BROWSE, ControlKind::PushButton, {38, 81, 50, 14}, "&Browse...", kTabStop},
        {IDC_REPLACE_INPUT, ControlKind::CheckBox, {28, 109, 69, 10},
          "replace input file", kTabStop},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

COutputPage::COutputPage() : CHeaderPage(Template()) {}

void COutputPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  m_entries.Restore(*this);
  OnReplaceInputClicked();
  OnDlgButtonClicked(this, IDC_BROWSE, &COutputPage::OnBrowse);
  SetUpFileNameField(*this, IDC_OUTPUT_FILE);
  OnDlgButtonClicked(this, IDC_REPLACE_INPUT, &COutputPage::OnReplaceInputClicked);
}

void COutputPage::OnDestroy() { m_entries.Keep(*this, {IDC_OUTPUT_FILE}, {IDC_REPLACE_INPUT}); }

int COutputPage::OnWizardNext() {
  if (!IsReplaceInputChecked() && GetOutputFileName().empty()) {
    return RefuseField(*this, kEnterFilename, "You forgot to enter filename", IDC_OUTPUT_FILE);
  }
  if (const CVantorSheet* sheet = CVantorSheet::Of(this)) {
    if (const auto problem = CheckDestination(JobOfPages(*sheet), Env::Default())) {
      return RefuseFile(*this, *problem,
                        IsReplaceInputChecked() ? IDC_REPLACE_INPUT : IDC_OUTPUT_FILE);
    }
  }
  return 0;
}

bool COutputPage::IsReplaceInputChecked() const { return IsDlgButtonChecked(IDC_REPLACE_INPUT); }

std::string COutputPage::GetOutputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_OUTPUT_FILE);
}

void COutputPage::OnBrowse() { BrowseForFile(*this, IDC_OUTPUT_FILE); }

void COutputPage::OnReplaceInputClicked() {
  const bool named = !IsReplaceInputChecked();
  EnableDlgItem(IDC_OUTPUT_FILE, named);
  EnableDlgItem(IDC_BROWSE, named);
}

}  // namespace vantor::wizard
