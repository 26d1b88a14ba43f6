#include "wizard/rearrange_page.h"

#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CRearrangePage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kRearrange, 310, 178, "Zelcor Vantor - Specify Rearrange Mode", {}};
    AddHeader(&dialog,
              {.title = "How to Rearrange", .subtitle = "Specify sort options or randomize mode."});
    // The samples: the same four addresses in the order of each sort.
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {IDC_SORT_BY_EMAIL, ControlKind::RadioButton, {28, 48, 123, 10},
          "Sort alphabetically by entire email", kGroup | kTabStop},
        {kNoId, ControlKind::Static, {42, 60, 57, 8}, "ann@site.com"},
        {kNoId, ControlKind::Static, {42, 68, 60, 8}, "bob@mail.com"},
        {kNoId, ControlKind::Static, {42, 76, 62, 8}, "carl@site.com"},
        {kNoId, ControlKind::Static, {42, 84, 64, 8}, "dave@mail.com"},
        {IDC_SORT_BY_DOMAIN, ControlKind::RadioButton, {28, 99, 172, 10},
          "Sort alphabetically by domain, then by username"},
        {kNoId, ControlKind::Static, {42, 111, 60, 8}, "bob@mail.com"},
        {kNoId, ControlKind::Static, {42, 119, 64, 8}, "dave@mail.com"},
        {kNoId, ControlKind::Static, {42, 127, 57, 8}, "ann@site.com"},
        {kNoId, ControlKind::Static, {42, 135, 62, 8}, "carl@site.com"},
        {IDC_RANDOMIZE, ControlKind::RadioButton, {28, 147, 61, 10}, "Randomize list"},
        // Beside the design's choices: a fourth mode, and how a sort treats letter case.
        {IDC_KEEP_ORDER, ControlKind::RadioButton, {190, 48, 100, 10},
          "Keep order, drop repeats"},
        {kNoId, ControlKind::Static, {204, 60, 96, 24},
          "The first of each address stays where it is; case is ignored."},
        {IDC_FOLD_CASE, ControlKind::CheckBox, {190, 113, 100, 10},
          "Sort case variants together", kGroup | kTabStop},
        {kNoId, ControlKind::Static, {204, 125, 96, 24},
          "Ann@site.com next to ann@site.com, so duplicates go too."},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CRearrangePage::CRearrangePage() : CHeaderPage(Template()) {}

void CRearrangePage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  CheckDlgButton(IDC_SORT_BY_EMAIL, true);
  m_entries.Restore(*this);
  for (int id : {IDC_SORT_BY_EMAIL, IDC_SORT_BY_DOMAIN, IDC_RANDOMIZE, IDC_KEEP_ORDER}) {
    OnDlgButtonClicked(this, id, &CRearrangePage::OnModeClicked);
  }
  OnModeClicked();
}

void CRearrangePage::OnModeClicked() {
  EnableDlgItem(IDC_FOLD_CASE, IsSortByEmailChecked() || IsSortByDomainChecked());
}

void CRearrangePage::OnDestroy() {
  m_entries.Keep(
      *this, {},
      {IDC_SORT_BY_EMAIL, IDC_SORT_BY_DOMAIN, IDC_RANDOMIZE, IDC_KEEP_ORDER, IDC_FOLD_CASE});
}

bool CRearrangePage::IsSortByEmailChecked() const { return IsDlgButtonChecked(IDC_SORT_BY_EMAIL); }
bool CRearrangePage::IsSortByDomainChecked() const {
  return IsDlgButtonChecked(IDC_SORT_BY_DOMAIN);
}
bool CRearrangePage::IsRandomizeChecked() const { return IsDlgButtonChecked(IDC_RANDOMIZE); }
bool CRearrangePage::IsKeepOrderChecked() const { return IsDlgButtonChecked(IDC_KEEP_ORDER); }
bool CRearrangePage::IsFoldCaseChecked() const { return IsDlgButtonChecked(IDC_FOLD_CASE); }

}  // namespace vantor::wizard
