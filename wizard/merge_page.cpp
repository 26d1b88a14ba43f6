#include "wizard/merge_page.h"

#include <QListWidget>
#include <optional>

#include "engine/texts.h"
#include "wizard/file_fields.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CMergePage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kMerge, 310, 178, "Zelcor Vantor - Specify Lists to Merge", {}};
    AddHeader(&dialog, {.title = "Merge Lists",
                        .subtitle = "Specify lists to merge and where to place the resulting file.",
                        .bandWidth = 308});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {kNoId, ControlKind::Static, {28, 48, 48, 8}, "Files to merge:"},
        {IDC_FILE_LIST, ControlKind::ListBox, {28, 63, 196, 72},
          "", kBorder | kVScroll | kTabStop},
        {IDC_ADD, ControlKind::PushButton, {231, 63, 50, 14}, "&Add...", kTabStop},
        {IDC_REMOVE, ControlKind::PushButton, {231, 84, 50, 14}, "&Remove", kTabStop},
        {kNoId, ControlKind::Static, {28, 142, 57, 8}, "Output file name:"},
        {IDC_OUTPUT_FILE, ControlKind::Edit, {28, 157, 196, 14}, "", kFieldStyle},
        {IDC_BROWSE, ControlKind::PushButton, {231, 157, 50, 14}, "&Browse...", kTabStop},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CMergePage::CMergePage() : CHeaderPage(Template()) {}

void CMergePage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  m_entries.Restore(*this);
  if (auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST)) {
    for (const std::string& name : m_keptFiles) list->addItem(QString::fromStdString(name));
  }
  OnDlgButtonClicked(this, IDC_ADD, &CMergePage::OnAdd);
  OnDlgButtonClicked(this, IDC_REMOVE, &CMergePage::OnRemove);
  OnDlgButtonClicked(this, IDC_BROWSE, &CMergePage::OnBrowse);
  SetUpFileNameField(*this, IDC_OUTPUT_FILE);
  if (auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST)) {
    framework::AcceptFileDrops(list, [list](const QStringList& files) { list->addItems(files); });
    // Added or dropped, the last list is the last file named.
    connect(list->model(), &QAbstractItemModel::rowsInserted, this,
            [this, list](const QModelIndex&, int, int last) {
              if (CVantorSheet* sheet = CVantorSheet::Of(this)) {
                sheet->NoteFileName(list->item(last)->text().toStdString());
              }
            });
  }
}

void CMergePage::OnDestroy() {
  m_entries.Keep(*this, {IDC_OUTPUT_FILE}, {});
  m_keptFiles = GetMergeFiles();
}

int CMergePage::OnWizardNext() {
  if (GetMergeFiles().size() < 2) {
    return RefuseField(*this, kSpecifyMergeFiles, "Nothing to merge", IDC_ADD);
  }
  if (GetOutputFileName().empty()) {
    return RefuseField(*this, kSpecifyMergeOutput, "Output filename not specified",
                       IDC_OUTPUT_FILE);
  }
  const std::vector<std::string> lists = GetMergeFiles();
  for (std::size_t row = 0; row < lists.size(); ++row) {
    if (const auto problem = CheckInputFile(lists[row], Env::Default(), InputCheck::kOpen)) {
      return RefuseFile(*this, *problem, IDC_FILE_LIST, static_cast<int>(row));
    }
  }
  if (const CVantorSheet* sheet = CVantorSheet::Of(this)) {
    if (const auto problem = CheckDestination(JobOfPages(*sheet), Env::Default())) {
      return RefuseFile(*this, *problem, IDC_OUTPUT_FILE);
    }
  }
  return 0;
}

std::vector<std::string> CMergePage::GetMergeFiles() const {
  std::vector<std::string> files;
  if (const auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST)) {
    for (int row = 0; row < list->count(); ++row) {
      files.push_back(list->item(row)->text().toStdString());
    }
  }
  return files;
}

std::string CMergePage::GetOutputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_OUTPUT_FILE);
}

void CMergePage::OnAdd() {
  auto* list = GetDlgItemAs<QListWidget>(IDC_FILE_LIST);
  if (list == nullptr) return;
  const CVantorSheet* sheet = CVantorSheet::Of(this);
  if (const std::optional<std::string> chosen = framework::GetOpenFileName(
          GetWindow(), std::string(),
          sheet != nullptr ? sheet->GetBrowseFolder(std::string()) : std::string())) {
    list->addItem(QString::fromStdString(*chosen));
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
