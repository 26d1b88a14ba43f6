#include "wizard/extract_page.h"

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CExtractPage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      kExtract, 310, 178, "Zelcor Vantor - Specify Extract Count",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 309, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8},
            "Extract Random Sublist", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Specify where to extract and how much (number of emails) to extract.", kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
          {kNoId, ControlKind::Static, {28, 48, 92, 8}, "Number of emails to extract:"},
          {IDC_EXTRACT_COUNT, ControlKind::Edit, {38, 63, 40, 14}, "", kFieldStyle},
      }};
  // clang-format on
  return kTemplate;
}

CExtractPage::CExtractPage() : CHeaderPage(Template()) {}

int CExtractPage::OnWizardNext() {
  if (GetExtractCount() < 0) {
    return RefuseField(*this, QString::fromUtf8(kEnterExtractCount),
                       QStringLiteral("Invalid number of emails"), IDC_EXTRACT_COUNT);
  }
  return 0;
}

std::int32_t CExtractPage::GetExtractCount() const {
  return ReadCountField(GetDlgItemText(IDC_EXTRACT_COUNT).toStdString());
}

}  // namespace vantor::wizard
