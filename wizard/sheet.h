// The wizard: a property sheet that owns its thirteen pages for its whole life, starts
// with the welcome and choose-actions pages and rebuilds the rest of its sequence from
// the chosen actions. It also holds what the pages share: the window colour, the title
// fonts and the outcome of the last run. User-interface thread only.
#ifndef VANTOR_WIZARD_SHEET_H_
#define VANTOR_WIZARD_SHEET_H_

#include <memory>
#include <utility>

#include "engine/choices.h"
#include "wizard/framework/property_page.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/run_outcome.h"

namespace vantor::wizard {

// The template ids of the pages. A page's OnWizardNext or OnWizardBack returns one of
// them to go to that page instead of the next or previous one.
enum PageId : int {
  kWelcome = 107,
  kCompletion = 108,
  kChooseActions = 109,
  kInput = 110,
  kFilter = 111,
  kRearrange = 112,
  kInclude = 113,
  kExtract = 114,
  kSplit = 115,
  kOutput = 116,
  kMerge = 117,
  kSummary = 118,
  kProcessing = 119,
};

class CWelcomePage;
class CChooseItemsPage;
class CSingleListPage;
class CMergePage;
class CFilterPage;
class CRearrangePage;
class CIncludePage;
class CExtractPage;
class CSplitPage;
class COutputPage;
class CSummaryPage;
class CProcessingPage;
class CCompletionPage;

class CVantorSheet : public framework::PropertySheet {
 public:
  // Makes the thirteen pages; only the welcome and choose-actions pages are in the
  // sequence at first.
  CVantorSheet();
  // Deletes the pages, completion first and welcome last.
  ~CVantorSheet() override;

  // The wizard `page` is in, or nullptr.
  static CVantorSheet* Of(const framework::PropertyPage* page);

  // Appends the pages the choices on the choose-actions page call for: input and output
  // then the parameter pages of the chosen actions (filter, rearrange, include, extract,
  // split), or the merge page; then summary, processing and completion. The caller has
  // removed the pages after the choose-actions page.
  void AddChosenPages();

  // The choices on the choose-actions page, read from its boxes; false while that page
  // has no window. False from IsSingleListChecked means the merge job. The duplicates
  // box counts only while rearrange is checked and the rearrange page is on a sort (as
  // it is while it has no window): it stays checked while disabled, and duplicates go
  // only on a sort.
  bool IsSingleListChecked() const;
  bool IsFilterChecked() const;
  bool IsRearrangeChecked() const;
  bool IsRemoveDuplicatesChecked() const;
  bool IsIncludeChecked() const;
  bool IsExtractChecked() const;
  bool IsSplitChecked() const;
  bool IsCleanChecked() const;

  // What the pages hold now, read through their getters: the job the processing page
  // builds and the summary page describes. A page's getters are read only when its
  // action is chosen.
  JobChoices GetChoices() const;

  CWelcomePage* GetWelcomePage() const { return m_pWelcomePage.get(); }
  CChooseItemsPage* GetChooseItemsPage() const { return m_pChooseItemsPage.get(); }
  CSingleListPage* GetSingleListPage() const { return m_pSingleListPage.get(); }
  CMergePage* GetMergePage() const { return m_pMergePage.get(); }
  CFilterPage* GetFilterPage() const { return m_pFilterPage.get(); }
  CRearrangePage* GetRearrangePage() const { return m_pRearrangePage.get(); }
  CIncludePage* GetIncludePage() const { return m_pIncludePage.get(); }
  CExtractPage* GetExtractPage() const { return m_pExtractPage.get(); }
  CSplitPage* GetSplitPage() const { return m_pSplitPage.get(); }
  COutputPage* GetOutputPage() const { return m_pOutputPage.get(); }
  CSummaryPage* GetSummaryPage() const { return m_pSummaryPage.get(); }
  CProcessingPage* GetProcessingPage() const { return m_pProcessingPage.get(); }
  CCompletionPage* GetCompletionPage() const { return m_pCompletionPage.get(); }

  // The outcome of the last run: set by the processing page when a run ends, shown by
  // the completion page. Before the first run, a default RunOutcome.
  const RunOutcome& GetLastOutcome() const { return m_lastOutcome; }
  void SetLastOutcome(RunOutcome outcome) { m_lastOutcome = std::move(outcome); }

  // A file was named on a page: typed, dropped or chosen into a name field, or added to
  // the merge list. Its folder becomes the one Browse starts in when its field names
  // none; a name that is empty once trimmed changes nothing.
  void NoteFileName(const std::string& name);
  // Where the file dialog starts for a field that holds `name`: the folder of that name
  // (a relative one in the working folder, as the job reads it), else the folder of the
  // last file named on any page; empty before the first.
  std::string GetBrowseFolder(const std::string& name) const;

  // Titles of the welcome and completion pages, and in the header band of the others.
  static inline const framework::FontSpec kBigTitleFont{"Verdana", 12, true};
  static inline const framework::FontSpec kTitleFont{"MS Shell Dlg", 10, true};

 private:
  RunOutcome m_lastOutcome;
  std::string m_strLastFolder;  // of the last file named, see NoteFileName

  // Declared in the order they are made, so that they are
  // destroyed first, completion first and welcome last.
  std::unique_ptr<CWelcomePage> m_pWelcomePage;
  std::unique_ptr<CChooseItemsPage> m_pChooseItemsPage;
  std::unique_ptr<CSingleListPage> m_pSingleListPage;
  std::unique_ptr<CMergePage> m_pMergePage;
  std::unique_ptr<CFilterPage> m_pFilterPage;
  std::unique_ptr<CRearrangePage> m_pRearrangePage;
  std::unique_ptr<CIncludePage> m_pIncludePage;
  std::unique_ptr<CExtractPage> m_pExtractPage;
  std::unique_ptr<CSplitPage> m_pSplitPage;
  std::unique_ptr<COutputPage> m_pOutputPage;
  std::unique_ptr<CSummaryPage> m_pSummaryPage;
  std::unique_ptr<CProcessingPage> m_pProcessingPage;
  std::unique_ptr<CCompletionPage> m_pCompletionPage;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_SHEET_H_
