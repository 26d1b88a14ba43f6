// The page that asks where the result of a single-list job goes, or that it is to
// replace the input list.
#ifndef VANTOR_WIZARD_OUTPUT_PAGE_H_
#define VANTOR_WIZARD_OUTPUT_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class COutputPage : public CHeaderPage {
 public:
  enum : int { IDC_REPLACE_INPUT = 1038, IDC_OUTPUT_FILE = 1039, IDC_BROWSE = 1040 };

  COutputPage();
  static const framework::DialogTemplate& Template();

  // True when the result is to replace the input ("replace input file").
  bool IsReplaceInputChecked() const;
  // The output file name, white space at both ends removed.
  QString GetOutputFileName() const;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_OUTPUT_PAGE_H_
