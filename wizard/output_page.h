// The page that asks where the result of a single-list job goes, or that it is to
// replace the input list.
#ifndef VANTOR_WIZARD_OUTPUT_PAGE_H_
#define VANTOR_WIZARD_OUTPUT_PAGE_H_

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class COutputPage : public CHeaderPage {
 public:
  enum : int { IDC_REPLACE_INPUT = 1038, IDC_OUTPUT_FILE = 1039, IDC_BROWSE = 1040 };

  COutputPage();
  static const framework::DialogTemplate& Template();

  // True when the result is to replace the input ("replace input file").
  bool IsReplaceInputChecked() const;
  // The output file name, white space at both ends removed. The field keeps its text
  // while "replace input file" is checked; the job then does not use it.
  std::string GetOutputFileName() const;

  // The header set-up, the name and box the page's last window held, Browse, a file
  // dropped on the field, and the "replace input file" box.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

  // Refuses an output file name that is empty once trimmed, unless the input is to be
  // replaced; then a destination the job could not put its result in (CheckDestination
  // for the job the pages hold now).
  int OnWizardNext() override;

 private:
  void OnBrowse();
  // The name field and Browse are disabled while the box is checked.
  void OnReplaceInputClicked();

  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_OUTPUT_PAGE_H_
