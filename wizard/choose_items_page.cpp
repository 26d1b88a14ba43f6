#include "wizard/choose_items_page.h"

#include "engine/texts.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/pictures.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

namespace {

constexpr int kActionBoxes[] = {
    CChooseItemsPage::IDC_FILTER,  CChooseItemsPage::IDC_REARRANGE, CChooseItemsPage::IDC_INCLUDE,
    CChooseItemsPage::IDC_EXTRACT, CChooseItemsPage::IDC_SPLIT,     CChooseItemsPage::IDC_CLEAN,
};

}  // namespace

const DialogTemplate& CChooseItemsPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    // The two radio buttons come first and form one group, which the band ends; Tab
    // reaches it at the checked one. The header comes between the action boxes and the
    // duplicates box.
    // clang-format off
    DialogTemplate dialog{kChooseActions, 310, 178, "Zelcor Vantor - Choose Actions", {
        {IDC_SINGLE_LIST, ControlKind::RadioButton, {28, 48, 70, 10},
          "Single list actions", kGroup | kTabStop},
        {IDC_MERGE, ControlKind::RadioButton, {28, 123, 95, 10}, "Merge lists into single list"},
        {IDC_FILTER, ControlKind::CheckBox, {45, 65, 121, 10},
          "Filter list (exclude specific emails)", kTabStop},
        {IDC_REARRANGE, ControlKind::CheckBox, {45, 82, 124, 10},
          "Rearrange list (sort or randomize)", kTabStop},
        {IDC_INCLUDE, ControlKind::CheckBox, {183, 65, 83, 10},
          "Include specific email", kTabStop},
        {IDC_EXTRACT, ControlKind::CheckBox, {183, 82, 87, 10},
          "Extract random sublist", kTabStop},
        {IDC_SPLIT, ControlKind::CheckBox, {183, 99, 40, 10}, "Split list", kTabStop},
    }};
    // clang-format on
    AddHeader(
        &dialog,
        {.title = "Choose Actions",
         .subtitle = "Vantor can perform more than one action at once. Check actions you need."});
    // clang-format off
    dialog.controls.push_back({IDC_REMOVE_DUPLICATES, ControlKind::CheckBox, {62, 99, 101, 10},
                               "Remove duplicates on sort", kDisabled | kTabStop});
    // Below the boxes of the design, last in Tab order: cleaning runs before every
    // other action.
    dialog.controls.push_back({IDC_CLEAN, ControlKind::CheckBox, {183, 116, 110, 10},
                               "Clean list (drop non-addresses)", kTabStop});
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CChooseItemsPage::CChooseItemsPage() : CHeaderPage(Template()) {}

void CChooseItemsPage::OnInitDialog() {
  if (HasDlgItem(IDC_HEADER_PICTURE)) {
    m_bmpHeader = HeaderPicture(GetDlgItemSize(IDC_HEADER_PICTURE));
  }
  CHeaderPage::OnInitDialog();
  CheckDlgButton(IDC_SINGLE_LIST, true);

  OnClicked(IDC_SINGLE_LIST, [this] { OnSingleListClicked(); });
  OnClicked(IDC_MERGE, [this] { OnMergeClicked(); });
  OnClicked(IDC_REARRANGE, [this] { OnRearrangeClicked(); });
}

void CChooseItemsPage::OnSetActive() {
  if (framework::PropertySheet* sheet = GetSheet()) {
    sheet->SetWizardButtons(framework::PSWIZB_BACK | framework::PSWIZB_NEXT);
  }
}

int CChooseItemsPage::OnWizardNext() {
  if (IsDlgButtonChecked(IDC_SINGLE_LIST)) {
    // The duplicates box only qualifies the sort: left checked while rearrange is off
    // (it is then disabled), it is no action.
    bool anyAction = false;
    for (int id : kActionBoxes) anyAction = anyAction || IsDlgButtonChecked(id);
    if (!anyAction) {
      framework::ShowMessageBox(GetWindow(), kChooseAction, "No action checked",
                                framework::MessageIcon::Exclamation);
      GotoDlgCtrl(IDC_FILTER);
      return -1;
    }
  }
  CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return -1;
  // Pages put back get new windows; each gives the entries of its last window back to
  // the new one (OnDestroy keeps them).
  while (sheet->GetPageCount() > 2) sheet->RemovePage(2);
  sheet->AddChosenPages();
  return 0;
}

void CChooseItemsPage::OnSingleListClicked() {
  if (IsDlgButtonChecked(IDC_SINGLE_LIST)) {
    EnableActions();
  } else {
    DisableActions();
  }
}

void CChooseItemsPage::OnMergeClicked() {
  if (IsDlgButtonChecked(IDC_MERGE)) {
    DisableActions();
  } else {
    EnableActions();
  }
}

void CChooseItemsPage::OnRearrangeClicked() {
  EnableDlgItem(IDC_REMOVE_DUPLICATES, IsDlgButtonChecked(IDC_REARRANGE));
}

void CChooseItemsPage::EnableActions() {
  for (int id : kActionBoxes) EnableDlgItem(id, true);
  EnableDlgItem(IDC_REMOVE_DUPLICATES, IsDlgButtonChecked(IDC_REARRANGE));
}

void CChooseItemsPage::DisableActions() {
  for (int id : kActionBoxes) EnableDlgItem(id, false);
  EnableDlgItem(IDC_REMOVE_DUPLICATES, false);
}

}  // namespace vantor::wizard
