#include "wizard/header_page.h"

#include <QLabel>

#include "wizard/choose_items_page.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

void CHeaderPage::OnInitDialog() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  if (QWidget* title = GetDlgItem(IDC_HEADER_TITLE)) title->setFont(sheet->m_fontTitle);
  for (int id : {IDC_HEADER_BAND, IDC_HEADER_TITLE, IDC_HEADER_SUBTITLE}) {
    sheet->CtlColorHeader(GetDlgItem(id));
  }
  if (auto* picture = GetDlgItemAs<QLabel>(IDC_HEADER_PICTURE)) {
    picture->setPixmap(sheet->GetChooseItemsPage()->GetHeaderPicture());
  }
}

}  // namespace vantor::wizard
