#include "wizard/rearrange_page.h"

#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CRearrangePage::Template() {
  using namespace framework;
  // The samples: the same four addresses in the order of each sort.
  // clang-format off
  static const DialogTemplate kTemplate{
      kRearrange, 310, 178, "Zelcor Vantor - Specify Rearrange Mode",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 309, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8},
            "How to Rearrange", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Specify sort options or randomize mode.", kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
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
      }};
  // clang-format on
  return kTemplate;
}

CRearrangePage::CRearrangePage() : CHeaderPage(Template()) {}

void CRearrangePage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  CheckDlgButton(IDC_SORT_BY_EMAIL, true);
}

bool CRearrangePage::IsSortByEmailChecked() const { return IsDlgButtonChecked(IDC_SORT_BY_EMAIL); }
bool CRearrangePage::IsSortByDomainChecked() const {
  return IsDlgButtonChecked(IDC_SORT_BY_DOMAIN);
}
bool CRearrangePage::IsRandomizeChecked() const { return IsDlgButtonChecked(IDC_RANDOMIZE); }

}  // namespace vantor::wizard
