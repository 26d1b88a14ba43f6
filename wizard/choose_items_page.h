// The page on which the user chooses the job: single-list actions (any of filter,
// rearrange, include, extract and split) or the merge of lists. Its boxes are where the
// choices live; the sheet's choice getters read them. Next rebuilds the pages after it.
#ifndef VANTOR_WIZARD_CHOOSE_ITEMS_PAGE_H_
#define VANTOR_WIZARD_CHOOSE_ITEMS_PAGE_H_

#include "wizard/header_page.h"

namespace vantor::wizard {

class CChooseItemsPage : public CHeaderPage {
 public:
  enum : int {
    IDC_REARRANGE = 1005,
    IDC_FILTER = 1006,
    IDC_INCLUDE = 1007,
    IDC_EXTRACT = 1008,
    IDC_SPLIT = 1009,
    IDC_SINGLE_LIST = 1011,
    IDC_MERGE = 1012,
    IDC_REMOVE_DUPLICATES = 1062,
    IDC_CLEAN = 1063,
  };

  CChooseItemsPage();
  static const framework::DialogTemplate& Template();

  // Makes the header picture that every header page shows, then the header set-up;
  // "Single list actions" checked, the action boxes enabled and unchecked.
  void OnInitDialog() override;
  // Back and Next.
  void OnSetActive() override;
  // With single-list actions but none of the five checked (the duplicates box alone is
  // none): the "No action checked" box, focus on the filter box, and the wizard stays.
  // Otherwise the pages after this one are replaced by those the choices call for, and
  // the wizard moves on.
  int OnWizardNext() override;

  // The header picture at the size of the header picture control; null until this page
  // has had a window.
  const framework::Picture& GetHeaderPicture() const { return m_bmpHeader; }

 private:
  void OnSingleListClicked();
  void OnMergeClicked();
  void OnRearrangeClicked();
  // The five action boxes enabled, and the duplicates box while rearrange is checked.
  void EnableActions();
  // The six boxes disabled; their checks stay.
  void DisableActions();

  framework::Picture m_bmpHeader;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_CHOOSE_ITEMS_PAGE_H_
