// The page that asks how to rearrange the list: sort by entire address, sort by domain
// then user name, or randomize.
#ifndef VANTOR_WIZARD_REARRANGE_PAGE_H_
#define VANTOR_WIZARD_REARRANGE_PAGE_H_

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CRearrangePage : public CHeaderPage {
 public:
  enum : int {
    IDC_SORT_BY_EMAIL = 1028,
    IDC_SORT_BY_DOMAIN = 1029,
    IDC_RANDOMIZE = 1030,
    IDC_KEEP_ORDER = 1066,
    IDC_FOLD_CASE = 1067,
  };

  CRearrangePage();
  static const framework::DialogTemplate& Template();

  // "Sort alphabetically by entire email" is checked.
  bool IsSortByEmailChecked() const;
  // "Sort alphabetically by domain, then by username" is checked. Neither of the two
  // means randomize. Every choice is valid, so the page has no check on Next.
  bool IsSortByDomainChecked() const;
  // "Randomize list" is checked; false while the page has no window.
  bool IsRandomizeChecked() const;
  // "Keep order, drop repeats" is checked: the list's order kept, later repeats of an
  // address (letter case ignored) dropped.
  bool IsKeepOrderChecked() const;
  // "Sort case variants together" is checked; it is enabled on a sort only.
  bool IsFoldCaseChecked() const;
  // The header set-up; the choice the page's last window held, else "Sort alphabetically
  // by entire email" checked.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

 private:
  // The case box follows the mode: enabled on a sort.
  void OnModeClicked();

  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_REARRANGE_PAGE_H_
