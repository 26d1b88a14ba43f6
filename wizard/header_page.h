// The pages with a header: a white band across the top with the page's title and
// subtitle on it and the header picture at its right. Every page but the welcome and
// completion pages is one.
#ifndef VANTOR_WIZARD_HEADER_PAGE_H_
#define VANTOR_WIZARD_HEADER_PAGE_H_

#include <cstdint>

#include "wizard/framework/dialog_template.h"
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

  // What sets one page's header apart: its two texts, and the widths in dialog units
  // its subtitle and band were laid out with.
  struct Header {
    const char* title = "";
    const char* subtitle = "";
    int subtitleWidth = 168;
    int bandWidth = 309;
  };

  // Appends the header's controls to `dialog`, in the order they are created: the band
  // (kGroup, so a group of radio buttons before it ends there), the title and subtitle
  // drawn on it, and the picture at its right. Every header page's template calls it.
  static void AddHeader(framework::DialogTemplate* dialog, const Header& header);

  using PropertyPage::PropertyPage;

  // The title font, the colours of the band, and the header picture that the
  // choose-actions page made (it is always set up before the pages after it).
  void OnInitDialog() override;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_HEADER_PAGE_H_
