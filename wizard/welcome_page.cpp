#include "wizard/welcome_page.h"

#include "wizard/controls.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CWelcomePage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      kWelcome, 310, 178, "Zelcor Vantor",
      {
          {IDC_PANEL, ControlKind::Picture, {0, 0, 109, 177}, "", kCenterImage},
          {IDC_PANEL_AREA, ControlKind::Static, {109, 0, 200, 177}, "", kStaticEdge},
          {IDC_TITLE, ControlKind::Static, {115, 1, 187, 24}, "Welcome to the Zelcor\nVantor"},
          {IDC_INTRO, ControlKind::Static, {115, 34, 186, 69},
            "This wizard will help you to manage email lists.\n\n"
            "Zelcor Vantor is high performance tool to sort, randomize, split, merge, "
            "filter email lists of any size.\n\nTo continute, click Next."},
          {IDC_LINK_LEAD, ControlKind::Static, {115, 160, 111, 8},
            "To see other good programs, visit "},
          {IDC_LINK, ControlKind::Custom, {227, 160, 53, 8},
            "www.example.com", 0, kHyperLinkClass},
      }};
  // clang-format on
  return kTemplate;
}

CWelcomePage::CWelcomePage() : CPanelPage(Template(), IDC_TITLE) {}

void CWelcomePage::OnInitDialog() {
  CPanelPage::OnInitDialog();
  if (auto* link = dynamic_cast<LinkControl*>(GetCustomControl(IDC_LINK))) {
    link->SetLinkTarget(kMakerAddress);
  }
}

void CWelcomePage::OnSetActive() {
  if (framework::PropertySheet* sheet = GetSheet()) {
    sheet->SetWizardButtons(framework::PSWIZB_NEXT);
  }
}

}  // namespace vantor::wizard
