// The page that asks for the filter file: addresses that contain any of its lines are
// dropped from the list.
#ifndef VANTOR_WIZARD_FILTER_PAGE_H_
#define VANTOR_WIZARD_FILTER_PAGE_H_

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CFilterPage : public CHeaderPage {
 public:
  enum : int {
    IDC_FILTER_FILE = 1045,
    IDC_BROWSE = 1040,
    IDC_CONTAINS = 1064,
    IDC_EQUALS = 1065,
  };

  CFilterPage();
  static const framework::DialogTemplate& Template();

  // The filter file name exactly as typed, blanks at its ends included: the job opens
  // that name.
  std::string GetFilterFileName() const;

  // "Drop addresses equal to a line of the file" is chosen: the file is a suppression
  // list, matched by whole address, rather than fragments; false while the page has no
  // window.
  bool IsEqualsChecked() const;

  // Refuses an empty name, and a file the job could not read now (see CheckInputFile).
  int OnWizardNext() override;

  // The header set-up, the name the page's last window held, Browse, and a file dropped
  // on the field.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

 private:
  void OnBrowse();

  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_FILTER_PAGE_H_
