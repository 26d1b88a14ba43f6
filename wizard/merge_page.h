// The page of the merge job: the lists to join, in their order, and the output file.
#ifndef VANTOR_WIZARD_MERGE_PAGE_H_
#define VANTOR_WIZARD_MERGE_PAGE_H_

#include <string>
#include <vector>

#include "wizard/header_page.h"
#include "wizard/page_entries.h"

namespace vantor::wizard {

class CMergePage : public CHeaderPage {
 public:
  enum : int {
    IDC_ADD = 1019,
    IDC_BROWSE = 1040,
    IDC_FILE_LIST = 1041,
    IDC_REMOVE = 1042,
    IDC_OUTPUT_FILE = 1045
  };

  CMergePage();
  static const framework::DialogTemplate& Template();

  // The lists to merge, in the order they were added, which is the order they are
  // joined in. The list box is where they live; empty while the page has no window.
  std::vector<std::string> GetMergeFiles() const;
  // The output file name, white space at both ends removed.
  std::string GetOutputFileName() const;

  // The header set-up, the lists and output name the page's last window held, Add,
  // Remove and Browse, and files dropped on the list (added in their order) or on the
  // output field.
  void OnInitDialog() override;
  // Keeps the entries for the page's next window.
  void OnDestroy() override;

  // Refuses fewer than two lists, then an output file name that is empty once trimmed,
  // then a list the job could not read and a destination it could not write (the entry
  // or the field at fault gets the focus). The output may be one of the lists.
  int OnWizardNext() override;

 private:
  // Appends the file chosen in the file dialog, which starts in the folder of the last
  // file named in the wizard; the same file may be added again.
  void OnAdd();
  // Deletes the selected entry, if any; no entry is selected afterwards.
  void OnRemove();
  void OnBrowse();

  PageEntries m_entries;                 // the output name
  std::vector<std::string> m_keptFiles;  // the lists, kept with m_entries
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_MERGE_PAGE_H_
