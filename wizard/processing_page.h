// The page that runs the job and shows its progress: one line per chosen action with
// its mark, two lines of progress text, an activity bar and the time elapsed.
#ifndef VANTOR_WIZARD_PROCESSING_PAGE_H_
#define VANTOR_WIZARD_PROCESSING_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CProcessingPage : public CHeaderPage {
 public:
  enum : int {
    IDC_PROGRESS = 1047,
    IDC_INFO = 1048,
    IDC_INFO2 = 1049,
    IDC_ELAPSED = 1059,
    IDC_FIRST_MARK = 1060,
    IDC_FIRST_LABEL = 1061  // slot i: mark 1060 + 2i, label 1061 + 2i
  };

  CProcessingPage();
  static const framework::DialogTemplate& Template();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PROCESSING_PAGE_H_
