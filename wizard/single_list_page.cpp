#include "wizard/single_list_page.h"

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSingleListPage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      kInput, 310, 178, "Zelcor Vantor - Specify Input Filename",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 309, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8}, "Specify List", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Specify file that contains emails.", kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
          {kNoId, ControlKind::Static, {28, 48, 123, 8},
            "Input filename (name of email list file):"},
          {IDC_INPUT_FILE, ControlKind::Edit, {38, 63, 235, 14}, "", kFieldStyle},
          {IDC_BROWSE, ControlKind::PushButton, {38, 81, 50, 14}, "&Browse...", kTabStop},
      }};
  // clang-format on
  return kTemplate;
}

CSingleListPage::CSingleListPage() : CHeaderPage(Template()) {}

void CSingleListPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  OnDlgButtonClicked(this, IDC_BROWSE, &CSingleListPage::OnBrowse);
  AcceptDroppedFile(*this, IDC_INPUT_FILE);
}

int CSingleListPage::OnWizardNext() {
  if (GetInputFileName().isEmpty()) {
    return RefuseField(*this, QString::fromUtf8(kEnterFilename),
                       QStringLiteral("You forgot to enter filename"), IDC_INPUT_FILE);
  }
  return 0;
}

QString CSingleListPage::GetInputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_INPUT_FILE);
}

void CSingleListPage::OnBrowse() { BrowseForFile(*this, IDC_INPUT_FILE); }

}  // namespace vantor::wizard
