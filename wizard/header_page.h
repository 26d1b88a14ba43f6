// The pages with a header: a white band across the top with the page's title and
// subtitle on it and the header picture at its right. Every page but the welcome and
// completion pages is one.
#ifndef VANTOR_WIZARD_HEADER_PAGE_H_
#define VANTOR_WIZARD_HEADER_PAGE_H_

#include <cstdint>

#include "wizard/framework/property_page.h"

namespace vantor::wizard {

// The pages' one-line fields: bordered, scrolling sideways, reached by Tab.
inline constexpr std::uint32_t kFieldStyle =
    framework::kBorder | framework::kAutoHScroll | framework::kTabStop;

class CHeaderPage : public framework::PropertyPage {
 public:
  enum : int {
    IDC_HEADER_PICTURE = 1024,
    IDC_HEADER_TITLE = 1025,
    IDC_HEADER_SUBTITLE = 1026,
    IDC_HEADER_BAND = 1027,
  };

  using PropertyPage::PropertyPage;

  // The title font, the colours of the band, and the header picture that the
  // choose-actions page made (it is always set up before the pages after it).
  void OnInitDialog() override;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_HEADER_PAGE_H_
