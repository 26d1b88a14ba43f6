#include "wizard/panel_page.h"

#include "wizard/pictures.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

CPanelPage::CPanelPage(const framework::DialogTemplate& dialogTemplate, int titleId)
    : PropertyPage(dialogTemplate), m_titleId(titleId) {}

void CPanelPage::OnInitDialog() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  SetDlgItemFont(m_titleId, CVantorSheet::kBigTitleFont);
  if (HasDlgItem(IDC_PANEL)) {
    m_bmpWatermark = Watermark(GetDlgItemSize(IDC_PANEL));
    SetDlgItemPicture(IDC_PANEL, m_bmpWatermark);
  }
  // The texts have no background of their own, so they sit on the white area.
  SetDlgItemFill(IDC_PANEL_AREA, framework::Fill::WindowColour);
}

}  // namespace vantor::wizard
