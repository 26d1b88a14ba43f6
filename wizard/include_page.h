// The page that asks for the address to include and after how many addresses.
#ifndef VANTOR_WIZARD_INCLUDE_PAGE_H_
#define VANTOR_WIZARD_INCLUDE_PAGE_H_

#include <cstdint>

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CIncludePage : public CHeaderPage {
 public:
  enum : int { IDC_INCLUDE_EMAIL = 1018, IDC_INCLUDE_PERIOD = 1053 };

  CIncludePage();
  static const framework::DialogTemplate& Template();

  // The address, white space at both ends removed. Any text is an address here, with
  // or without an at sign.
  std::string GetIncludeEmail() const;
  // The period from 1 to 2147483647, or -1 when the field holds no such number. Blanks
  // around the digits are allowed; anything else after them ("12a") is not.
  std::int32_t GetIncludePeriod() const;

  // The header set-up; the texts the page's last window held.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;
  // Refuses an empty address or one of more than one line, then a period that is not
  // valid; with both wrong only the address is reported.
  int OnWizardNext() override;

 private:
  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_INCLUDE_PAGE_H_
