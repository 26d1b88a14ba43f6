// The first page: the program's name, what it does, and a link to the maker's site.
#ifndef VANTOR_WIZARD_WELCOME_PAGE_H_
#define VANTOR_WIZARD_WELCOME_PAGE_H_

#include "wizard/panel_page.h"

namespace vantor::wizard {

class CWelcomePage : public CPanelPage {
 public:
  enum : int { IDC_TITLE = 1001, IDC_INTRO = 1052, IDC_LINK = 1055, IDC_LINK_LEAD = 1056 };

  // The maker's site, as the link opens it.
  static constexpr char kMakerAddress[] = "https://www.example.com/vantor";

  CWelcomePage();
  static const framework::DialogTemplate& Template();

  // The panel set-up, then the link's address.
  void OnInitDialog() override;
  // Next only.
  void OnSetActive() override;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_WELCOME_PAGE_H_
