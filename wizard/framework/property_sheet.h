// A property sheet in wizard mode: an ordered list of pages shown one at a time, with
// the Back, Next (or Finish) and Cancel buttons under them; Tab gives those buttons the
// focus, a click does not. The sheet does not own its pages; it owns their windows.
// User-interface thread only.
#ifndef VANTOR_WIZARD_FRAMEWORK_PROPERTY_SHEET_H_
#define VANTOR_WIZARD_FRAMEWORK_PROPERTY_SHEET_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/framework/sheet_window.h"
#include "wizard/framework/types.h"

namespace vantor::framework {

class PropertyPage;

// Wizard button flags of SetWizardButtons.
inline constexpr unsigned PSWIZB_BACK = 0x1;
inline constexpr unsigned PSWIZB_NEXT = 0x2;
inline constexpr unsigned PSWIZB_FINISH = 0x4;  // Finish, enabled, in the place of Next

class PropertySheet {
 public:
  using Button = SheetButton;

  // `caption` is the title until the first page is activated.
  explicit PropertySheet(const std::string& caption);
  // Pages still in the sheet are let go; their windows go with the sheet.
  virtual ~PropertySheet();
  PropertySheet(const PropertySheet&) = delete;
  PropertySheet& operator=(const PropertySheet&) = delete;

  // Appends `page`, which must not be in a sheet. Its window is made when it is first
  // activated. The sheet grows to hold the largest page added.
  void AddPage(PropertyPage* page);
  // Takes the page at `index` out of the sheet and deletes its window, after calling
  // the page's OnDestroy when it has one; the page object lives on. Removing the active page leaves
  // no page active.
  void RemovePage(int index);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  PropertyPage* GetPage(int index) const;
  // The index of `page`, or -1 when it is not in the sheet.
  int GetPageIndex(const PropertyPage* page) const;
  // -1 while no page is active.
  int GetActiveIndex() const { return m_active; }
  PropertyPage* GetActivePage() const { return GetPage(m_active); }

  // Shows the page: makes its window and calls OnInitDialog when it has none, takes the
  // template's caption as the title, calls OnSetActive, then gives the focus to the
  // page's first control that Tab reaches, as the page is then. False for a page not in
  // the sheet.
  bool SetActivePage(int index);
  bool SetActivePage(PropertyPage* page);

  // Enables Back and Next, or shows Finish in the place of Next, as `flags` say (0: none
  // of them). Cancel stays enabled.
  void SetWizardButtons(unsigned flags);

  bool IsButtonEnabled(Button button) const { return m_window->IsButtonEnabled(button); }
  bool IsButtonShown(Button button) const { return m_window->IsButtonShown(button); }

  // The sheet's window, and the title it shows now.
  NativeWindow GetWindow() const { return m_window->GetNative(); }
  std::string GetTitle() const { return m_window->GetTitle(); }
  // Shows the sheet (the first page becomes active then) and returns at once.
  void Show() { m_window->Show(); }
  // Shows the sheet and returns when it is closed: Finished or Cancelled.
  SheetResult DoModal() { return m_window->DoModal(); }
  bool IsOpen() const { return m_window->IsOpen(); }
  SheetResult GetResult() const { return m_window->GetResult(); }

  // Back, Next and Finish each ignore a press that comes sooner than `interval` after
  // the previous press of the same button, counted or not: the second click of a double
  // click on Next would otherwise press the button that stands in the same place on the
  // next page. A first press always counts. Unless set, the desktop's double-click
  // interval, read at each press; 0 lets every press through. For all sheets.
  static void SetPressGuard(std::optional<std::chrono::milliseconds> interval);
  // The monotonic clock the guards read; an empty function puts the steady clock back.
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static void SetClock(Clock clock);
  // What that clock says now.
  static std::chrono::steady_clock::time_point Now();

  // What the window tells the sheet. It is shown: the first page becomes active when
  // none is.
  void OnShown();
  // A press of Back, Next, Finish or Cancel, by click or key.
  void Press(Button button);
  // Cancel, Esc and the close box: unless the active page's OnQueryCancel says no,
  // OnCancel of every page that has a window, then close.
  void RequestCancel();

 private:
  void PressBack();
  void PressNext();
  void PressFinish();
  // Notes a press of Back, Next or Finish; whether it comes too soon after the previous
  // press of that button.
  bool PressedTooSoon(Button button);
  // Acts on the answer of OnWizardNext / OnWizardBack.
  void MoveTo(int answer, int adjacentIndex);
  void CreatePageWindow(PropertyPage* page);
  // Gives the focus to the first control of the page that Tab reaches, in template
  // order, with the text of a field selected; else to Next or Finish when enabled; else
  // to the page itself, so that no sheet button keeps it.
  void FocusFirstControl(PropertyPage* page);

  std::vector<PropertyPage*> m_pages;
  int m_active = -1;
  // The last press of Back, Next and Finish, in the order of Button.
  std::optional<std::chrono::steady_clock::time_point> m_lastPress[3];
  std::unique_ptr<SheetWindow> m_window;
};

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_PROPERTY_SHEET_H_
