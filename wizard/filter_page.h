// The page that asks for the filter file: addresses that contain any of its lines are
// dropped from the list.
#ifndef VANTOR_WIZARD_FILTER_PAGE_H_
#define VANTOR_WIZARD_FILTER_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CFilterPage : public CHeaderPage {
 public:
  enum : int { IDC_FILTER_FILE = 1045, IDC_BROWSE = 1040 };

  CFilterPage();
  static const framework::DialogTemplate& Template();

  // The filter file name exactly as typed.
  QString GetFilterFileName() const;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_FILTER_PAGE_H_
