// The last page: the results of the run and how long it took.
#ifndef VANTOR_WIZARD_COMPLETION_PAGE_H_
#define VANTOR_WIZARD_COMPLETION_PAGE_H_

#include "wizard/panel_page.h"

namespace vantor::wizard {

class CCompletionPage : public CPanelPage {
 public:
  enum : int {
    IDC_RESULTS = 1018,
    IDC_TITLE = 1037,
    IDC_FINISH_HINT = 1054,
    IDC_RESULTS_LABEL = 1057,
    IDC_BACK_HINT = 1058
  };

  CCompletionPage();
  static const framework::DialogTemplate& Template();
  // The panel set-up; the results box keeps the window colour although it is
  // read-only.
  void OnInitDialog() override;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_COMPLETION_PAGE_H_
