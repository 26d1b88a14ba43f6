// One page of a property sheet in wizard mode. The page object lives as long as the
// sheet; its window is made from its dialog template when the page is first activated
// and destroyed when the page leaves the sheet, so a page put back into the sheet starts
// again from its template. User-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_PROPERTY_PAGE_H_
#define VANTOR_WIZARD_FRAMEWORK_PROPERTY_PAGE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/framework/dialog_template.h"
#include "wizard/framework/types.h"

namespace vantor::framework {

class PropertySheet;

class PropertyPage {
 public:
  // `dialogTemplate` must outlive the page (templates are static tables).
  explicit PropertyPage(const DialogTemplate& dialogTemplate);
  // A page still in a sheet takes itself out first, deleting its window.
  virtual ~PropertyPage();
  PropertyPage(const PropertyPage&) = delete;
  PropertyPage& operator=(const PropertyPage&) = delete;

  const DialogTemplate& GetTemplate() const { return m_template; }
  int GetTemplateId() const { return m_template.id; }
  // The sheet the page is in, or nullptr.
  PropertySheet* GetSheet() const { return m_sheet; }
  // The page's window; empty before the first activation and after removal. Owned by
  // the sheet.
  NativeWindow GetWindow() const { return m_window; }

  // Called once per window, right after its controls are made and before it is shown.
  virtual void OnInitDialog() {}
  // Called when the page leaves the sheet with a window, just before the window is
  // destroyed: its controls still hold what the user left in them.
  virtual void OnDestroy() {}
  // Called each time the page becomes the active one; the window exists by then.
  virtual void OnSetActive() {}
  // Next or Back pressed on this page: 0 moves to the adjacent page, -1 stays, any other
  // value moves to the page with that template id.
  virtual int OnWizardNext() { return 0; }
  virtual int OnWizardBack() { return 0; }
  // Finish pressed on this page: false keeps the sheet open.
  virtual bool OnWizardFinish() { return true; }
  // Cancel, Esc or the close box pressed while this page is the active one: false keeps
  // the sheet open, and no page hears of it.
  virtual bool OnQueryCancel() { return true; }
  // The sheet is cancelled (Cancel, Esc or its close box) while this page has a window.
  virtual void OnCancel() {}

  // Controls of the window by id; every helper does nothing (or answers empty, 0 or
  // false) while there is no window or no such control.
  bool HasDlgItem(int id) const;
  // Texts are UTF-8. Texts with CR LF line ends are shown with plain line breaks; a
  // multi-line edit gives its text back with CR LF.
  std::string GetDlgItemText(int id) const;
  void SetDlgItemText(int id, std::string_view text);
  bool IsDlgButtonChecked(int id) const;
  // Checks or unchecks one button; checking a radio button unchecks its group.
  void CheckDlgButton(int id, bool checked);
  // The field's text read as an unsigned decimal number (leading white space skipped);
  // `translated` tells whether it held one up to 4294967295. 0 when it did not.
  std::uint32_t GetDlgItemInt(int id, bool* translated) const;
  void EnableDlgItem(int id, bool enable);
  // Moves the focus to the control; an edit field gets its text selected.
  void GotoDlgCtrl(int id);
  // Of a multi-line edit: drops the selection, leaving the caret where it is; or puts the
  // caret at character `position` with nothing selected. Either way the caret is then
  // scrolled into view.
  void DropEditSelection(int id);
  void SetEditCaret(int id, int position);

  // A list box's entries: adding one at the end (its row; -1 without the list), the
  // count, an entry's text ("" for no such row) and its removal. The selected entry, -1
  // for none; setting one selects it and scrolls it into view, -1 selects none.
  int ListAddString(int id, std::string_view text);
  int ListGetCount(int id) const;
  std::string ListGetText(int id, int row) const;
  void ListDeleteString(int id, int row);
  int ListGetCurSel(int id) const;
  void ListSetCurSel(int id, int row);

  // The control's size in pixels, as the page's window laid it out.
  Size GetDlgItemSize(int id) const;
  // How a control looks: its font, what it paints behind itself, the picture a picture
  // control shows (an empty one shows none).
  void SetDlgItemFont(int id, const FontSpec& font);
  void SetDlgItemFill(int id, Fill fill);
  void SetDlgItemPicture(int id, const Picture& picture);

  // A control of ControlKind::Custom, or nullptr.
  CustomControl* GetCustomControl(int id) const;

  // A progress bar's range and position.
  void SetProgressRange(int id, int low, int high);
  void SetProgressPos(int id, int position);
  int GetProgressPos(int id) const;

  // Handlers of the control's events, for the life of the page's current window (set
  // them in OnInitDialog). A button clicked by the user (or by ClickDlgButton); an edit
  // field's text changed, by the user or by code (the new text); the control given the
  // focus, by any means.
  void OnClicked(int id, std::function<void()> handler);
  void OnTextChanged(int id, std::function<void(const std::string&)> handler);
  void OnFocusIn(int id, std::function<void()> handler);
  // An entry added to a list box by ListAddString (its row).
  void OnListAdded(int id, std::function<void(int row)> handler);
  // Local files dropped on the control from a file manager (their full paths, in the
  // order given); drops of anything else are left to the control.
  void OnFilesDropped(int id, std::function<void(const std::vector<std::string>&)> handler);

 private:
  friend class PropertySheet;

  const DialogTemplate& m_template;
  PropertySheet* m_sheet = nullptr;
  NativeWindow m_window;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_PROPERTY_PAGE_H_
