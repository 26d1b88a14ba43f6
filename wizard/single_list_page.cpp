#include "wizard/single_list_page.h"

#include "engine/texts.h"
#include "wizard/file_fields.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSingleListPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kInput, 310, 178, "Zelcor Vantor - Specify Input Filename", {}};
    AddHeader(&dialog, {.title = "Specify List", .subtitle = "Specify file that contains emails."});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 123, 8},
          "Input filename (name of email list file):"},
        {IDC_INPUT_FILE, ControlKind::Edit, {38, 63, 235, 14}, "", kFieldStyle},
        {IDC_BROWSE, ControlKind::PushButton, {38, 81, 50, 14}, "&Browse...", kTabStop},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CSingleListPage::CSingleListPage() : CHeaderPage(Template()) {}

void CSingleListPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  m_entries.Restore(*this);
  OnDlgButtonClicked(this, IDC_BROWSE, &CSingleListPage::OnBrowse);
  SetUpFileNameField(*this, IDC_INPUT_FILE);
}

void CSingleListPage::OnDestroy() { m_entries.Keep(*this, {IDC_INPUT_FILE}, {}); }

int CSingleListPage::OnWizardNext() {
  if (GetInputFileName().empty()) {
    return RefuseField(*this, kEnterFilename, "You forgot to enter filename", IDC_INPUT_FILE);
  }
  if (const auto problem = CheckInputFile(GetInputFileName(), Env::Default(), InputCheck::kOpen)) {
    return RefuseFile(*this, *problem, IDC_INPUT_FILE);
  }
  return 0;
}

std::string CSingleListPage::GetInputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_INPUT_FILE);
}

void CSingleListPage::OnBrowse() { BrowseForFile(*this, IDC_INPUT_FILE); }

}  // namespace vantor::wizard
