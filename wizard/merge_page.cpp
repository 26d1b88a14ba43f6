#include "wizard/merge_page.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CMergePage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      117, 310, 178, "Zelcor Vantor - Specify Lists to Merge",
      {
          {IDC_HEADER_BAND, ControlKind::Static, {0, 0, 308, 40}, "", kStaticEdge | kGroup},
          {IDC_HEADER_TITLE, ControlKind::Static, {14, 8, 181, 8}, "Merge Lists", kTransparent},
          {IDC_HEADER_SUBTITLE, ControlKind::Static, {28, 17, 168, 16},
            "Specify lists to merge and where to place the resulting file.", kTransparent},
          {IDC_HEADER_PICTURE, ControlKind::Picture, {274, 5, 30, 30}, "", kCenterImage},
          {kNoId, ControlKind::Static, {28, 48, 48, 8}, "Files to merge:"},
          {IDC_FILE_LIST, ControlKind::ListBox, {28, 63, 196, 72},
            "", kBorder | kVScroll | kTabStop},
          {IDC_ADD, ControlKind::PushButton, {231, 63, 50, 14}, "&Add...", kTabStop},
          {IDC_REMOVE, ControlKind::PushButton, {231, 84, 50, 14}, "&Remove", kTabStop},
          {kNoId, ControlKind::Static, {28, 142, 57, 8}, "Output file name:"},
          {IDC_OUTPUT_FILE, ControlKind::Edit, {28, 157, 196, 14}, "", kFieldStyle},
          {IDC_BROWSE, ControlKind::PushButton, {231, 157, 50, 14}, "&Browse...", kTabStop},
      }};
  // clang-format on
  return kTemplate;
}

CMergePage::CMergePage() : CHeaderPage(Template()) {}

QStringList CMergePage::GetMergeFiles() const { return QStringList(); }
QString CMergePage::GetOutputFileName() const { return QString(); }

}  // namespace vantor::wizard
