#include "wizard/processing_page.h"

#include "wizard/arrow_check_static.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CProcessingPage::Template() {
  using namespace framework;
  // Slot i of the actions: mark 1060 + 2i and label 1061 + 2i; three on the left, three on
  // the right.
  // clang-format off
  static const DialogTemplate kTemplate{
      119, 310, 178, "Zelcor Vantor - Processing...",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 309, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8}, "Processing...", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Wait while all actions will be processed", kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
          {IDC_FIRST_MARK + 0, ControlKind::Custom, {28, 48, 10, 10},
            "l1", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 0, ControlKind::Static, {38, 48, 113, 8}, "action1", kEndEllipsis},
          {IDC_FIRST_MARK + 2, ControlKind::Custom, {28, 65, 10, 10},
            "l2", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 2, ControlKind::Static, {38, 65, 113, 8}, "action2", kEndEllipsis},
          {IDC_FIRST_MARK + 4, ControlKind::Custom, {28, 82, 10, 10},
            "l3", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 4, ControlKind::Static, {38, 82, 113, 8}, "action3", kEndEllipsis},
          {IDC_FIRST_MARK + 6, ControlKind::Custom, {157, 48, 10, 10},
            "l4", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 6, ControlKind::Static, {167, 48, 113, 8}, "action4", kEndEllipsis},
          {IDC_FIRST_MARK + 8, ControlKind::Custom, {157, 65, 10, 10},
            "l5", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 8, ControlKind::Static, {167, 65, 113, 8}, "action5", kEndEllipsis},
          {IDC_FIRST_MARK + 10, ControlKind::Custom, {157, 82, 10, 10},
            "l6", 0, &CArrowCheckStatic::Create},
          {IDC_FIRST_LABEL + 10, ControlKind::Static, {167, 82, 113, 8}, "action6", kEndEllipsis},
          {IDC_INFO2, ControlKind::Static, {28, 118, 253, 8}, "Info2"},
          {IDC_INFO, ControlKind::Static, {28, 133, 253, 8}, "Info", kWordEllipsis},
          {IDC_PROGRESS, ControlKind::ProgressBar, {28, 148, 253, 14}, "", kBorder | kSmooth},
          {kNoId, ControlKind::Static, {28, 169, 45, 8}, "Time elapsed:"},
          {IDC_ELAPSED, ControlKind::Static, {74, 169, 206, 8}, "00:00:00"},
      }};
  // clang-format on
  return kTemplate;
}

CProcessingPage::CProcessingPage() : CHeaderPage(Template()) {}

}  // namespace vantor::wizard
