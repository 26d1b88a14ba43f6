#include "wizard/completion_page.h"

#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CCompletionPage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      108, 310, 178, "Zelcor Vantor",
      {
          {IDC_PANEL_AREA, ControlKind::Static, {109, 0, 200, 177}, "", kStaticEdge},
          {IDC_PANEL, ControlKind::Picture, {0, 0, 109, 178}, "", kCenterImage},
          {IDC_TITLE, ControlKind::Static, {115, 1, 188, 24}, "Completing the Zelcor\nVantor"},
          {IDC_FINISH_HINT, ControlKind::Static, {115, 163, 187, 8},
            "To close this wizard, click Finish."},
          {IDC_RESULTS, ControlKind::Edit, {115, 54, 187, 86},
            "",
            kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kStaticEdge | kTabStop},
          {IDC_RESULTS_LABEL, ControlKind::Static, {115, 39, 27, 8}, "Results:"},
          {IDC_BACK_HINT, ControlKind::Static, {115, 148, 82, 8}, "To start again, click Back."},
      }};
  // clang-format on
  return kTemplate;
}

CCompletionPage::CCompletionPage() : CPanelPage(Template(), IDC_TITLE) {}

void CCompletionPage::OnInitDialog() {
  CPanelPage::OnInitDialog();
  CVantorSheet* sheet = CVantorSheet::Of(this);
  QWidget* results = GetDlgItem(IDC_RESULTS);
  if (sheet == nullptr || results == nullptr) return;
  QPalette palette = results->palette();
  palette.setBrush(QPalette::Base, sheet->m_brushWindow);
  results->setPalette(palette);
}

}  // namespace vantor::wizard
