// The toolkit's window of a property sheet: the area the pages are shown in, the Back,
// Next, Finish and Cancel buttons under it, the title and the modal loop. The sheet
// (property_sheet.h) decides; the window shows and tells it what the user pressed.
// User-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_SHEET_WINDOW_H_
#define VANTOR_WIZARD_FRAMEWORK_SHEET_WINDOW_H_

#include <memory>
#include <string>

#include "wizard/framework/dialog_template.h"
#include "wizard/framework/types.h"

namespace vantor::framework {

class PropertySheet;

enum class SheetButton { Back, Next, Finish, Cancel };

// How the window ended: still open (or never shown), Finish, or Cancel, Esc or the close box.
enum class SheetResult { Open, Finished, Cancelled };

class SheetWindow {
 public:
  virtual ~SheetWindow() = default;

  virtual NativeWindow GetNative() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string GetTitle() const = 0;

  // The window grows to hold a page made from `dialogTemplate`.
  virtual void MakeRoomFor(const DialogTemplate& dialogTemplate) = 0;
  // Makes a page's window from its template, in the page area, not shown yet; the sheet
  // owns it until DestroyPage (or the window's end, which takes the pages with it).
  virtual NativeWindow CreatePage(const DialogTemplate& dialogTemplate) = 0;
  virtual void DestroyPage(NativeWindow page) = 0;
  // Shows `page` in the page area, in the place of the one shown before.
  virtual void ShowPage(NativeWindow page) = 0;

  // Back and Next enabled, Finish shown in Next's place and pressed by Enter, as
  // PSWIZB_* `flags` say.
  virtual void SetButtons(unsigned flags) = 0;
  virtual bool IsButtonEnabled(SheetButton button) const = 0;
  virtual bool IsButtonShown(SheetButton button) const = 0;

  // Whether the control `id` of `page` can take the focus from Tab now (enabled, shown,
  // of a kind Tab stops at).
  virtual bool CanTakeFocus(NativeWindow page, int id) const = 0;
  // The focus to a sheet button, or to the page window itself.
  virtual void FocusButton(SheetButton button) = 0;
  virtual void FocusPage(NativeWindow page) = 0;

  // Shows the window without a loop of its own; the sheet hears OnShown.
  virtual void Show() = 0;
  // Shows the window and runs its modal loop until Close.
  virtual SheetResult DoModal() = 0;
  virtual void Close(SheetResult result) = 0;
  virtual bool IsOpen() const = 0;
  virtual SheetResult GetResult() const = 0;
};

// The toolkit's window for `sheet`, titled `caption`; it calls the sheet's OnShown, Press
// and RequestCancel.
std::unique_ptr<SheetWindow> MakeSheetWindow(PropertySheet& sheet, const std::string& caption);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_SHEET_WINDOW_H_
