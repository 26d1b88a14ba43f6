// What the user left in some controls of a page, kept across the page's windows: going
// back to the choose-actions page and on again takes the later pages out of the sheet
// and puts the chosen ones back, each with a new window made from its template, and a
// page gives its entries back to that window. User-interface thread only.
#ifndef VANTOR_WIZARD_PAGE_ENTRIES_H_
#define VANTOR_WIZARD_PAGE_ENTRIES_H_

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "wizard/framework/property_page.h"

namespace vantor::wizard {

// Owned by the page whose controls it copies.
class PageEntries {
 public:
  // Copies the texts of the fields `textIds` and the states of the buttons `buttonIds`
  // from the page's window (in OnDestroy, while the controls are still there).
  void Keep(const framework::PropertyPage& page, std::initializer_list<int> textIds,
            std::initializer_list<int> buttonIds) {
    m_texts.clear();
    m_checks.clear();
    for (int id : textIds) m_texts.emplace_back(id, page.GetDlgItemText(id));
    for (int id : buttonIds) m_checks.emplace_back(id, page.IsDlgButtonChecked(id));
  }

  // Puts what Keep copied into the page's new window (in OnInitDialog); nothing before
  // the first Keep. Call it before the page connects to its controls, so that a name
  // put back is not taken for one just named. The buttons to uncheck go first, so that
  // the checked radio button of a group stays checked.
  void Restore(framework::PropertyPage& page) const {
    for (const auto& [id, text] : m_texts) page.SetDlgItemText(id, text);
    for (const auto& [id, checked] : m_checks) {
      if (!checked) page.CheckDlgButton(id, false);
    }
    for (const auto& [id, checked] : m_checks) {
      if (checked) page.CheckDlgButton(id, true);
    }
  }

 private:
  std::vector<std::pair<int, std::string>> m_texts;
  std::vector<std::pair<int, bool>> m_checks;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PAGE_ENTRIES_H_
