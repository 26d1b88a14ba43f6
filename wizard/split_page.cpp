#include "wizard/split_page.h"

#include "engine/texts.h"
#include "wizard/page_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSplitPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kSplit, 310, 178, "Zelcor Vantor - Specify Split Parameters", {}};
    AddHeader(&dialog, {.title = "Split List",
                        .subtitle = "Specify how to split list (by size or by number of emails)"});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {IDC_SPLIT_BY_COUNT, ControlKind::RadioButton, {28, 48, 95, 10},
          "Split by number of emails", kGroup | kTabStop},
        {kNoId, ControlKind::Static, {42, 63, 63, 8}, "Emails in each part:"},
        {IDC_EMAILS_PER_PART, ControlKind::Edit, {121, 60, 40, 14}, "", kFieldStyle},
        {IDC_SPLIT_BY_SIZE, ControlKind::RadioButton, {28, 78, 53, 10}, "Split by size"},
        {kNoId, ControlKind::Static, {42, 93, 64, 8}, "Part size, kilobytes:"},
        {IDC_KILOBYTES_PER_PART, ControlKind::Edit, {121, 90, 40, 14}, "", kFieldStyle},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CSplitPage::CSplitPage() : CHeaderPage(Template()) {}

void CSplitPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  CheckDlgButton(IDC_SPLIT_BY_COUNT, true);
  m_entries.Restore(*this);
  OnSplitModeClicked();
  OnDlgButtonClicked(this, IDC_SPLIT_BY_COUNT, &CSplitPage::OnSplitModeClicked);
  OnDlgButtonClicked(this, IDC_SPLIT_BY_SIZE, &CSplitPage::OnSplitModeClicked);
}

void CSplitPage::OnDestroy() {
  m_entries.Keep(*this, {IDC_EMAILS_PER_PART, IDC_KILOBYTES_PER_PART},
                 {IDC_SPLIT_BY_COUNT, IDC_SPLIT_BY_SIZE});
}

int CSplitPage::OnWizardNext() {
  if (GetPartSize() >= 0) return 0;
  if (IsSplitByCountChecked()) {
    return RefuseField(*this, kEnterEmailsPerPart, "Invalid number of emails", IDC_EMAILS_PER_PART);
  }
  return RefuseField(*this, kEnterBytesPerPart, "Invalid number of bytes", IDC_KILOBYTES_PER_PART);
}

bool CSplitPage::IsSplitByCountChecked() const { return IsDlgButtonChecked(IDC_SPLIT_BY_COUNT); }

std::int32_t CSplitPage::GetPartSize() const {
  if (IsSplitByCountChecked()) {
    return ReadCountField(GetDlgItemText(IDC_EMAILS_PER_PART));
  }
  return ReadKilobytesField(GetDlgItemText(IDC_KILOBYTES_PER_PART));
}

void CSplitPage::OnSplitModeClicked() {
  const bool byCount = IsSplitByCountChecked();
  EnableDlgItem(IDC_EMAILS_PER_PART, byCount);
  EnableDlgItem(IDC_KILOBYTES_PER_PART, !byCount);
}

}  // namespace vantor::wizard
