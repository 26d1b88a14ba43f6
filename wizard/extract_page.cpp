#include "wizard/extract_page.h"

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CExtractPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kExtract, 310, 178, "Zelcor Vantor - Specify Extract Count", {}};
    AddHeader(&dialog,
              {.title = "Extract Random Sublist",
               .subtitle = "Specify where to extract and how much (number of emails) to extract."});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 92, 8}, "Number of emails to extract:"},
        {IDC_EXTRACT_COUNT, ControlKind::Edit, {38, 63, 40, 14}, "", kFieldStyle},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CExtractPage::CExtractPage() : CHeaderPage(Template()) {}

void CExtractPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  m_entries.Restore(*this);
}

void CExtractPage::OnDestroy() { m_entries.Keep(*this, {IDC_EXTRACT_COUNT}, {}); }

int CExtractPage::OnWizardNext() {
  if (GetExtractCount() < 0) {
    return RefuseField(*this, kEnterExtractCount, "Invalid number of emails", IDC_EXTRACT_COUNT);
  }
  return 0;
}

std::int32_t CExtractPage::GetExtractCount() const {
  return ReadCountField(GetDlgItemText(IDC_EXTRACT_COUNT));
}

}  // namespace vantor::wizard
