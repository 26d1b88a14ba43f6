#include "wizard/sheet.h"

#include "wizard/choose_items_page.h"
#include "wizard/completion_page.h"
#include "wizard/controls.h"
#include "wizard/extract_page.h"
#include "wizard/file_fields.h"
#include "wizard/filter_page.h"
#include "wizard/include_page.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/processing_page.h"
#include "wizard/rearrange_page.h"
#include "wizard/single_list_page.h"
#include "wizard/split_page.h"
#include "wizard/summary_page.h"
#include "wizard/welcome_page.h"

namespace vantor::wizard {

CVantorSheet::CVantorSheet() : PropertySheet("ZELCOR Vantor") {
  RegisterControlClasses();
  m_pWelcomePage = std::make_unique<CWelcomePage>();
  AddPage(m_pWelcomePage.get());
  m_pChooseItemsPage = std::make_unique<CChooseItemsPage>();
  AddPage(m_pChooseItemsPage.get());
  m_pSingleListPage = std::make_unique<CSingleListPage>();
  m_pMergePage = std::make_unique<CMergePage>();
  m_pFilterPage = std::make_unique<CFilterPage>();
  m_pRearrangePage = std::make_unique<CRearrangePage>();
  m_pIncludePage = std::make_unique<CIncludePage>();
  m_pExtractPage = std::make_unique<CExtractPage>();
  m_pSplitPage = std::make_unique<CSplitPage>();
  m_pOutputPage = std::make_unique<COutputPage>();
  m_pSummaryPage = std::make_unique<CSummaryPage>();
  m_pProcessingPage = std::make_unique<CProcessingPage>();
  m_pCompletionPage = std::make_unique<CCompletionPage>();
}

CVantorSheet::~CVantorSheet() = default;

CVantorSheet* CVantorSheet::Of(const framework::PropertyPage* page) {
  return page != nullptr ? dynamic_cast<CVantorSheet*>(page->GetSheet()) : nullptr;
}

void CVantorSheet::AddChosenPages() {
  if (IsSingleListChecked()) {
    AddPage(m_pSingleListPage.get());
    AddPage(m_pOutputPage.get());
    if (IsFilterChecked()) AddPage(m_pFilterPage.get());
    if (IsRearrangeChecked()) AddPage(m_pRearrangePage.get());
    if (IsIncludeChecked()) AddPage(m_pIncludePage.get());
    if (IsExtractChecked()) AddPage(m_pExtractPage.get());
    if (IsSplitChecked()) AddPage(m_pSplitPage.get());
  } else {
    AddPage(m_pMergePage.get());
  }
  AddPage(m_pSummaryPage.get());
  AddPage(m_pProcessingPage.get());
  AddPage(m_pCompletionPage.get());
}

namespace {

// The folder of a file name as the job takes it: white space at both ends removed, a
// relative name in the working folder.
std::string FolderOf(const std::string& name) {
  const std::string trimmed = TrimWhiteSpace(name);
  return trimmed.empty() ? std::string() : DirectoryOf(Env::Default()->FullPath(trimmed));
}

}  // namespace

void CVantorSheet::NoteFileName(const std::string& name) {
  if (std::string folder = FolderOf(name); !folder.empty()) m_strLastFolder = std::move(folder);
}

std::string CVantorSheet::GetBrowseFolder(const std::string& name) const {
  const std::string folder = FolderOf(name);
  return folder.empty() ? m_strLastFolder : folder;
}

bool CVantorSheet::IsSingleListChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_SINGLE_LIST);
}
bool CVantorSheet::IsFilterChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_FILTER);
}
bool CVantorSheet::IsRearrangeChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_REARRANGE);
}
bool CVantorSheet::IsRemoveDuplicatesChecked() const {
  return IsRearrangeChecked() && !m_pRearrangePage->IsRandomizeChecked() &&
         m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_REMOVE_DUPLICATES);
}
bool CVantorSheet::IsIncludeChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_INCLUDE);
}
bool CVantorSheet::IsExtractChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_EXTRACT);
}
bool CVantorSheet::IsSplitChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_SPLIT);
}
bool CVantorSheet::IsCleanChecked() const {
  return m_pChooseItemsPage->IsDlgButtonChecked(CChooseItemsPage::IDC_CLEAN);
}

JobChoices CVantorSheet::GetChoices() const {
  JobChoices c;
  c.singleList = IsSingleListChecked();
  if (!c.singleList) {
    c.outputFileName = m_pMergePage->GetOutputFileName();
    c.mergeFiles = m_pMergePage->GetMergeFiles();
    return c;
  }
  c.inputFileName = m_pSingleListPage->GetInputFileName();
  c.replaceInput = m_pOutputPage->IsReplaceInputChecked();
  if (!c.replaceInput) c.outputFileName = m_pOutputPage->GetOutputFileName();
  c.clean = IsCleanChecked();
  // The filter page's file drops addresses that contain one of its lines, or, by the
  // page's second choice, those equal to one: then it is a suppression list.
  if (IsFilterChecked()) {
    const std::string name = m_pFilterPage->GetFilterFileName();
    if (m_pFilterPage->IsEqualsChecked()) {
      c.suppress = true;
      c.suppressFileName = name;
    } else {
      c.filter = true;
      c.filterFileName = name;
    }
  }
  c.rearrange = IsRearrangeChecked();
  if (c.rearrange) {
    c.sortByEmail = m_pRearrangePage->IsSortByEmailChecked();
    c.sortByDomain = !c.sortByEmail && m_pRearrangePage->IsSortByDomainChecked();
    c.keepOrderDedupe = m_pRearrangePage->IsKeepOrderChecked();
    c.foldCase = (c.sortByEmail || c.sortByDomain) && m_pRearrangePage->IsFoldCaseChecked();
  }
  c.removeDuplicatesBox = IsRemoveDuplicatesChecked();
  c.include = IsIncludeChecked();
  if (c.include) {
    c.includeEmail = m_pIncludePage->GetIncludeEmail();
    c.includePeriod = m_pIncludePage->GetIncludePeriod();
  }
  c.extract = IsExtractChecked();
  if (c.extract) c.extractCount = m_pExtractPage->GetExtractCount();
  c.split = IsSplitChecked();
  if (c.split) {
    c.splitByCount = m_pSplitPage->IsSplitByCountChecked();
    c.splitSize = m_pSplitPage->GetPartSize();
  }
  return c;
}

}  // namespace vantor::wizard
