// The page that asks how many addresses the random sublist keeps.
#ifndef VANTOR_WIZARD_EXTRACT_PAGE_H_
#define VANTOR_WIZARD_EXTRACT_PAGE_H_

#include <cstdint>

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CExtractPage : public CHeaderPage {
 public:
  enum : int { IDC_EXTRACT_COUNT = 1031 };

  CExtractPage();
  static const framework::DialogTemplate& Template();

  // The count from 1 to 2147483647, or -1 when the field holds no such number. Blanks
  // around the digits are allowed; anything else after them is not. A count above the
  // size of the list is fine: the extract action keeps the whole list then.
  std::int32_t GetExtractCount() const;

  // The header set-up; the text the page's last window held.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;
  // Refuses a count that is not valid.
  int OnWizardNext() override;

 private:
  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_EXTRACT_PAGE_H_
