// The page that asks how to cut the list into parts: by number of addresses or by size
// in kilobytes.
#ifndef VANTOR_WIZARD_SPLIT_PAGE_H_
#define VANTOR_WIZARD_SPLIT_PAGE_H_

#include <cstdint>

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CSplitPage : public CHeaderPage {
 public:
  enum : int {
    IDC_SPLIT_BY_SIZE = 1032,
    IDC_SPLIT_BY_COUNT = 1033,
    IDC_EMAILS_PER_PART = 1035,
    IDC_KILOBYTES_PER_PART = 1036
  };

  CSplitPage();
  static const framework::DialogTemplate& Template();

  // "Split by number of emails" is checked; false means split by size.
  bool IsSplitByCountChecked() const;
  // Emails per part (1 to 2147483647), or bytes per part: the kilobytes times 1024, at
  // most 2147483647, so at most 2097151 kilobytes. -1 when the field of the chosen mode
  // holds no such number; the other field is not read. Blanks around the digits are
  // allowed; anything else after them is not.
  std::int32_t GetPartSize() const;

  // The header set-up; the mode and both fields the page's last window held, else
  // "Split by number of emails" checked; only the field of the mode enabled.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

  // Refuses a part size that is not valid, naming the field of the chosen mode.
  int OnWizardNext() override;

 private:
  // Only the field of the checked mode is enabled; the other keeps its text.
  void OnSplitModeClicked();

  PageEntries m_entries;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SPLIT_PAGE_H_
