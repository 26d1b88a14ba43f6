// The page that describes the run about to start; Next starts it.
#ifndef VANTOR_WIZARD_SUMMARY_PAGE_H_
#define VANTOR_WIZARD_SUMMARY_PAGE_H_

#include <string>

#include "wizard/header_page.h"

namespace vantor::wizard {

class CSummaryPage : public CHeaderPage {
 public:
  enum : int { IDC_SUMMARY = 1046 };

  CSummaryPage();
  static const framework::DialogTemplate& Template();

  // The header set-up, and the text box's focus rule: it never shows its text selected
  // when it gets the focus.
  void OnInitDialog() override;
  // Describes the job as the earlier pages hold it now; built afresh on every
  // activation, so a change made after going Back shows.
  void OnSetActive() override;
  // Starts the run only when every file of the job passes the checks the pages made: a
  // file changed since its page, or one a later page's choice concerns (a part of the
  // split that would replace the filter file), takes the wizard back to the field that
  // names it.
  int OnWizardNext() override;

  // The text the box shows, with CR LF line ends (the box itself shows plain line
  // breaks); empty while the page has no window.
  std::string SummaryText() const { return GetDlgItemText(IDC_SUMMARY); }
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SUMMARY_PAGE_H_
