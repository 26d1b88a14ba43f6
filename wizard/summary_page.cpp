#include "wizard/summary_page.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSummaryPage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      118, 310, 178, "Zelcor Vantor - Summary Information",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 309, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8},
            "Summary Information", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Check the summary information. You can click Back and modify any entered data.",
            kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
          {IDC_SUMMARY, ControlKind::Edit, {28, 48, 254, 108},
            "", kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kBorder | kTabStop},
          {kNoId, ControlKind::Static, {28, 163, 100, 8}, "To start processing, click Next."},
      }};
  // clang-format on
  return kTemplate;
}

CSummaryPage::CSummaryPage() : CHeaderPage(Template()) {}

}  // namespace vantor::wizard
