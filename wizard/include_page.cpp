#include "wizard/include_page.h"

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CIncludePage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kInclude, 310, 178, "Zelcor Vantor - Specify Include Parameters", {}};
    AddHeader(&dialog,
              {.title = "Include Email",
               .subtitle =
                   "Specify email to include into the list and how often it should be included."});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 52, 8}, "Email to include:"},
        {IDC_INCLUDE_EMAIL, ControlKind::Edit, {38, 63, 235, 14}, "", kFieldStyle},
        {kNoId, ControlKind::Static, {28, 84, 205, 8},
          "How often include (after each N emails), e.g. after 2000 emails:"},
        {IDC_INCLUDE_PERIOD, ControlKind::Edit, {38, 99, 40, 14}, "", kFieldStyle},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CIncludePage::CIncludePage() : CHeaderPage(Template()) {}

void CIncludePage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  m_entries.Restore(*this);
}

void CIncludePage::OnDestroy() {
  m_entries.Keep(*this, {IDC_INCLUDE_EMAIL, IDC_INCLUDE_PERIOD}, {});
}

int CIncludePage::OnWizardNext() {
  const std::string email = GetIncludeEmail();
  if (email.empty()) {
    return RefuseField(*this, kEnterEmail, "Invalid email", IDC_INCLUDE_EMAIL);
  }
  // The field is one line, but a paste can still bring a CR or LF into it.
  if (!IsOneLine(email)) {
    return RefuseField(*this, kIncludeEmailNotOneLine, "Invalid email", IDC_INCLUDE_EMAIL);
  }
  if (GetIncludePeriod() < 0) {
    return RefuseField(*this, kEnterPeriod, "Invalid period", IDC_INCLUDE_PERIOD);
  }
  return 0;
}

std::string CIncludePage::GetIncludeEmail() const {
  return GetTrimmedDlgItemText(*this, IDC_INCLUDE_EMAIL);
}

std::int32_t CIncludePage::GetIncludePeriod() const {
  return ReadCountField(GetDlgItemText(IDC_INCLUDE_PERIOD));
}

}  // namespace vantor::wizard
