// What the pages that collect file names and numbers share: a field read with the white
// space at its ends removed, the Browse button beside a file name field, files dropped
// on such a field, and the refusal of a field on Next. User-interface thread only.
#ifndef VANTOR_WIZARD_PAGE_FIELDS_H_
#define VANTOR_WIZARD_PAGE_FIELDS_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/choices.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/property_page.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

// The control's text without space, tab, LF, VT, FF and CR at either end; the same
// trimming the batch tool applies, so that both accept the same names. Other blanks
// (a no-break space, say) are part of the name.
inline std::string GetTrimmedDlgItemText(const framework::PropertyPage& page, int id) {
  return TrimWhiteSpace(page.GetDlgItemText(id));
}

// The file dialog, started on the field's current text, in the folder of that name or
// else of the last file named in the wizard (CVantorSheet::GetBrowseFolder); OK puts the
// chosen full path into the field, Cancel leaves it as it was. The name need not exist
// (the output file usually does not yet).
inline void BrowseForFile(framework::PropertyPage& page, int fieldId) {
  const std::string name = page.GetDlgItemText(fieldId);
  const CVantorSheet* sheet = CVantorSheet::Of(&page);
  const std::optional<std::string> chosen = framework::GetOpenFileName(
      page.GetWindow(), name, sheet != nullptr ? sheet->GetBrowseFolder(name) : std::string());
  if (chosen) page.SetDlgItemText(fieldId, *chosen);
}

// Makes a file name field of the page's window: a file dropped on it from a file manager
// replaces the text with its full path (the first one's, when several are dropped), and
// every name it comes to hold, however it came, is noted by the sheet as the last file
// named (CVantorSheet::NoteFileName).
inline void SetUpFileNameField(framework::PropertyPage& page, int fieldId) {
  page.OnFilesDropped(fieldId, [&page, fieldId](const std::vector<std::string>& files) {
    page.SetDlgItemText(fieldId, files.front());
  });
  page.OnTextChanged(fieldId, [&page](const std::string& name) {
    if (CVantorSheet* sheet = CVantorSheet::Of(&page)) sheet->NoteFileName(name);
  });
}

// Tells the user what is wrong with a field and puts the focus on it; the answer for
// OnWizardNext that keeps the wizard on the page.
inline int RefuseField(framework::PropertyPage& page, const std::string& text,
                       const std::string& caption, int focusId) {
  framework::ShowMessageBox(page.GetWindow(), text, caption, framework::MessageIcon::Exclamation);
  page.GotoDlgCtrl(focusId);
  return -1;
}

// Calls `handler` on `page` whenever the button with `id` is clicked.
template <class Page>
void OnDlgButtonClicked(Page* page, int id, void (Page::*handler)()) {
  page->OnClicked(id, [page, handler] { (page->*handler)(); });
}

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PAGE_FIELDS_H_
