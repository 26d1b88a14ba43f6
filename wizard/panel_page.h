// The welcome and completion pages: a picture panel down the left side, and right of it
// a white area with a big title and the page's texts.
#ifndef VANTOR_WIZARD_PANEL_PAGE_H_
#define VANTOR_WIZARD_PANEL_PAGE_H_

#include "wizard/framework/property_page.h"

namespace vantor::wizard {

class CPanelPage : public framework::PropertyPage {
 public:
  enum : int { IDC_PANEL = 1050, IDC_PANEL_AREA = 1051 };

  // `titleId` is the control that shows the big title.
  CPanelPage(const framework::DialogTemplate& dialogTemplate, int titleId);

  // The big title font, the left panel composed at the panel's size, the white area.
  void OnInitDialog() override;

 protected:
  framework::Picture m_bmpWatermark;  // made again with every window

 private:
  const int m_titleId;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PANEL_PAGE_H_
