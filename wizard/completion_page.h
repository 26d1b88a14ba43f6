// The last page: the results of the run and how long it took.
#ifndef VANTOR_WIZARD_COMPLETION_PAGE_H_
#define VANTOR_WIZARD_COMPLETION_PAGE_H_

#include <chrono>
#include <string>

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
  // read-only, and getting the focus it shows no selection and the view at the start.
  void OnInitDialog() override;
  // Back and Finish; the results of the sheet's last RunOutcome, and after a run
  // without error the line "Processing has taken " with its duration.
  void OnSetActive() override;
  // Back leads to the field that names the file a failed run stopped at, where the
  // wizard can tell which; else to the choose-actions page.
  int OnWizardBack() override;
  // Finish counts from one second after the page appeared: the second Enter of a quick
  // pair, the first one pressed while a short run went on, would close the results
  // before they were seen.
  bool OnWizardFinish() override;

  // The text the results box was given at the last activation, with CR LF line ends.
  const std::string& GetResultsText() const { return m_strText; }

 private:
  std::string m_strText;
  std::chrono::steady_clock::time_point m_shownAt;  // the last activation, on the sheet's clock
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_COMPLETION_PAGE_H_
