#include "wizard/header_page.h"

#include "wizard/choose_items_page.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

void CHeaderPage::AddHeader(framework::DialogTemplate* dialog, const Header& header) {
  using namespace framework;
  // clang-format off
  dialog->controls.insert(dialog->controls.end(), {
      {IDC_HEADER_BAND, ControlKind::Static, {0, 0, header.bandWidth, 40}, "",
        kStaticEdge | kGroup},
      {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8}, header.title, kTransparent},
      {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, header.subtitleWidth, 16},
        header.subtitle, kTransparent},
      {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
  });
  // clang-format on
}

void CHeaderPage::OnInitDialog() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  SetDlgItemFont(IDC_HEADER_TITLE, CVantorSheet::kTitleFont);
  // The band paints the window colour; the title and subtitle lie on it without a
  // background of their own.
  SetDlgItemFill(IDC_HEADER_BAND, framework::Fill::WindowColour);
  SetDlgItemFill(IDC_HEADER_TITLE, framework::Fill::Transparent);
  SetDlgItemFill(IDC_HEADER_SUBTITLE, framework::Fill::Transparent);
  SetDlgItemPicture(IDC_HEADER_PICTURE, sheet->GetChooseItemsPage()->GetHeaderPicture());
}

}  // namespace vantor::wizard
