// The page of the merge job: the lists to join, in their order, and the output file.
#ifndef VANTOR_WIZARD_MERGE_PAGE_H_
#define VANTOR_WIZARD_MERGE_PAGE_H_

#include <QStringList>

#include "wizard/header_page.h"

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

  // The lists to merge, in the order they were added.
  QStringList GetMergeFiles() const;
  // The output file name, white space at both ends removed.
  QString GetOutputFileName() const;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_MERGE_PAGE_H_
