#include "wizard/merge_page.h"

#include <QListWidget>
#include <optional>

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CMergePage::Template() {
  using namespace framework;
  // clang-format off
  static const DialogTemplate kTemplate{
      kMerge, 310, 178, "Zelcor Vantor - Specify Lists to Merge",
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

void CMergePage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  OnDlgButtonClicked(this, IDC_ADD, &CMergePage::OnAdd);
  OnDlgButtonClicked(this, IDC_REMOVE, &CMergePage::OnRemove);
  OnDlgButtonClicked(this, IDC_BROWSE, &CMergePage::OnBrowse);
  AcceptDroppedFile(*this, IDC_OUTPUT_FILE);
  if (auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST)) {
    framework::AcceptFileDrops(list, [list](const QStringList& files) { list->addItems(files); });
  }
}

int CMergePage::OnWizardNext() {
  if (GetMergeFiles().size() < 2) {
    return RefuseField(*this, QString::fromUtf8(kSpecifyMergeFiles),
                       QStringLiteral("Nothing to merge"), IDC_ADD);
  }
  if (GetOutputFileName().isEmpty()) {
    return RefuseField(*this, QString::fromUtf8(kSpecifyMergeOutput),
                       QStringLiteral("Output filename not specified"), IDC_OUTPUT_FILE);
  }
  return 0;
}

QStringList CMergePage::GetMergeFiles() const {
  QStringList files;
  if (const auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST)) {
    for (int row = 0; row < list->count(); ++row) files.push_back(list->item(row)->text());
  }
  return files;
}

QString CMergePage::GetOutputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_OUTPUT_FILE);
}

void CMergePage::OnAdd() {
  auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST);
  if (list == nullptr) return;
  if (const std::optional<QString> chosen = framework::GetOpenFileName(GetWindow(), QString())) {
    list->addItem(*chosen);
  }
}

void CMergePage::OnRemove() {
  auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST);
  if (list == nullptr) return;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  delete list->takeItem(list->row(selected.front()));
  // The entry that moves into the removed one's place is not selected in its stead.
  list->clearSelection();
  list->setCurrentRow(-1);
}

void CMergePage::OnBrowse() { BrowseForFile(*this, IDC_OUTPUT_FILE); }

}  // namespace vantor::wizard
