// The page that asks how many addresses the random sublist keeps.
#ifndef VANTOR_WIZARD_EXTRACT_PAGE_H_
#define VANTOR_WIZARD_EXTRACT_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CExtractPage : public CHeaderPage {
 public:
  enum : int { IDC_EXTRACT_COUNT = 1031 };

  CExtractPage();
  static const framework::DialogTemplate& Template();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_EXTRACT_PAGE_H_
