#include "wizard/merge_page.h"

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
  for (const std::string& name : m_keptFiles) ListAddString(IDC_FILE_LIST, name);
  OnDlgButtonClicked(this, IDC_ADD, &CMergePage::OnAdd);
  OnDlgButtonClicked(this, IDC_REMOVE, &CMergePage::OnRemove);
  OnDlgButtonClicked(this, IDC_BROWSE, &CMergePage::OnBrowse);
  SetUpFileNameField(*this, IDC_OUTPUT_FILE);
  OnFilesDropped(IDC_FILE_LIST, [this](const std::vector<std::string>& files) {
    for (const std::string& file : files) ListAddString(IDC_FILE_LIST, file);
  });
  // Added or dropped, the last list is the last file named.
  OnListAdded(IDC_FILE_LIST, [this](int row) {
    if (CVantorSheet* sheet = CVantorSheet::Of(this)) {
      sheet->NoteFileName(ListGetText(IDC_FILE_LIST, row));
    }
  });
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
  for (int row = 0; row < ListGetCount(IDC_FILE_LIST); ++row) {
    files.push_back(ListGetText(IDC_FILE_LIST, row));
  }
  return files;
}

std::string CMergePage::GetOutputFileName() const {
  return GetTrimmedDlgItemText(*this, IDC_OUTPUT_FILE);
}

void CMergePage::OnAdd() {
  if (!HasDlgItem(IDC_FILE_LIST)) return;
  const CVantorSheet* sheet = CVantorSheet::Of(this);
  if (const std::optional<std::string> chosen = framework::GetOpenFileName(
          GetWindow(), std::string(),
          sheet != nullptr ? sheet->GetBrowseFolder(std::string()) : std::string())) {
    ListAddString(IDC_FILE_LIST, *chosen);
  }
}

void CMergePage::OnRemove() {
  const int selected = ListGetCurSel(IDC_FILE_LIST);
  if (selected < 0) return;
  ListDeleteString(IDC_FILE_LIST, selected);
  // The entry that moves into the removed one's place is not selected in its stead.
  ListSetCurSel(IDC_FILE_LIST, -1);
}

void CMergePage::OnBrowse() { BrowseForFile(*this, IDC_OUTPUT_FILE); }

}  // namespace vantor::wizard
