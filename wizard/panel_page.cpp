#include "wizard/panel_page.h"

#include <QLabel>

#include "wizard/decoration.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

CPanelPage::CPanelPage(const framework::DialogTemplate& dialogTemplate, int titleId)
    : PropertyPage(dialogTemplate), m_titleId(titleId) {}

void CPanelPage::OnInitDialog() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  if (QWidget* title = GetDlgItem(m_titleId)) title->setFont(sheet->m_fontBigTitle);
  if (auto* panel = GetDlgItemAs<QLabel>(IDC_PANEL)) {
    m_bmpWatermark = MakeWatermark(panel->size());
    panel->setPixmap(m_bmpWatermark);
  }
  // The texts have no background of their own, so they sit on the white area.
  if (QWidget* area = GetDlgItem(IDC_PANEL_AREA)) {
    QPalette palette = area->palette();
    palette.setBrush(QPalette::Window, sheet->m_brushWindow);
    area->setPalette(palette);
    area->setAutoFillBackground(true);
  }
}

}  // namespace vantor::wizard
