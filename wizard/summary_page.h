// The page that describes the run about to start; Next starts it.
#ifndef VANTOR_WIZARD_SUMMARY_PAGE_H_
#define VANTOR_WIZARD_SUMMARY_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CSummaryPage : public CHeaderPage {
 public:
  enum : int { IDC_SUMMARY = 1046 };

  CSummaryPage();
  static const framework::DialogTemplate& Template();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SUMMARY_PAGE_H_
