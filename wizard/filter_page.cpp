#include "wizard/filter_page.h"

#include "engine/texts.h"
#include "wizard/file_fields.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CFilterPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kFilter, 310, 178, "Zelcor Vantor - Specify Filter", {}};
    AddHeader(
        &dialog,
        {.title = "Specify Filter",
         .subtitle = "Specify file that contains lines to use as filer (emails will be removed "
                     "from the list if they contain any filter line).",
         .subtitleWidth = 207});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 48, 8}, "Filter filename:"},
        {IDC_FILTER_FILE, ControlKind::Edit, {38, 63, 235, 14}, "", kFieldStyle},
        {IDC_BROWSE, ControlKind::PushButton, {38, 81, 50, 14}, "&Browse...", kTabStop},
        // How a line of the file matches, below the design's controls.
        {IDC_CONTAINS, ControlKind::RadioButton, {28, 105, 250, 10},
          "Drop addresses that contain a line of the file", kGroup | kTabStop},
        {IDC_EQUALS, ControlKind::RadioButton, {28, 119, 250, 10},
          "Drop addresses equal to a line of the file"},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CFilterPage::CFilterPage() : CHeaderPage(Template()) {}

void CFilterPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  CheckDlgButton(IDC_CONTAINS, true);
  m_entries.Restore(*this);
  OnDlgButtonClicked(this, IDC_BROWSE, &CFilterPage::OnBrowse);
  SetUpFileNameField(*this, IDC_FILTER_FILE);
}

void CFilterPage::OnDestroy() {
  m_entries.Keep(*this, {IDC_FILTER_FILE}, {IDC_CONTAINS, IDC_EQUALS});
}

bool CFilterPage::IsEqualsChecked() const { return IsDlgButtonChecked(IDC_EQUALS); }

int CFilterPage::OnWizardNext() {
  const std::string name = GetFilterFileName();
  if (name.empty()) {
    return RefuseField(*this, kEnterFilename, "You forgot to enter filename", IDC_FILTER_FILE);
  }
  if (const auto problem = CheckInputFile(name, Env::Default(), InputCheck::kOpen)) {
    return RefuseFile(*this, *problem, IDC_FILTER_FILE);
  }
  return 0;
}

std::string CFilterPage::GetFilterFileName() const { return GetDlgItemText(IDC_FILTER_FILE); }

void CFilterPage::OnBrowse() { BrowseForFile(*this, IDC_FILTER_FILE); }

}  // namespace vantor::wizard
