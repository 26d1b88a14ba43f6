// The page that asks for the address to include and after how many addresses.
#ifndef VANTOR_WIZARD_INCLUDE_PAGE_H_
#define VANTOR_WIZARD_INCLUDE_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CIncludePage : public CHeaderPage {
 public:
  enum : int { IDC_INCLUDE_EMAIL = 1018, IDC_INCLUDE_PERIOD = 1053 };

  CIncludePage();
  static const framework::DialogTemplate& Template();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_INCLUDE_PAGE_H_
