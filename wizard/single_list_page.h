// The page that asks for the input list of a single-list job.
#ifndef VANTOR_WIZARD_SINGLE_LIST_PAGE_H_
#define VANTOR_WIZARD_SINGLE_LIST_PAGE_H_

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CSingleListPage : public CHeaderPage {
 public:
  enum : int { IDC_INPUT_FILE = 1045, IDC_BROWSE = 1040 };

  CSingleListPage();
  static const framework::DialogTemplate& Template();

  // The input file name, white space at both ends removed. Read from the field each
  // time; empty while the page has no window.
  std::string GetInputFileName() const;

  // The header set-up, the name the page's last window held, Browse, and a file dropped
  // on the field.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

  // Refuses an input file name that is empty once trimmed, then a file the job could
  // not read now: missing, not a regular file, unreadable (see CheckInputFile).
  int OnWizardNext() override;

 private:
  void OnBrowse();

  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SINGLE_LIST_PAGE_H_
