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

  // The filter file name exactly as typed, blanks at its ends included. Any name passes
  // Next, an empty one too: a name that cannot be opened fails the filter action when
  // the job runs.
  QString GetFilterFileName() const;

  // The header set-up, Browse, and a file dropped on the field.
  void OnInitDialog() override;

 private:
  void OnBrowse();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_FILTER_PAGE_H_
