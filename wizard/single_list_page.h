// The page that asks for the input list of a single-list job.
#ifndef VANTOR_WIZARD_SINGLE_LIST_PAGE_H_
#define VANTOR_WIZARD_SINGLE_LIST_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CSingleListPage : public CHeaderPage {
 public:
  enum : int { IDC_INPUT_FILE = 1045, IDC_BROWSE = 1040 };

  CSingleListPage();
  static const framework::DialogTemplate& Template();

  // The input file name, white space at both ends removed.
  QString GetInputFileName() const;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SINGLE_LIST_PAGE_H_
