// A page window made as the Win32 sheet makes one: a child dialog from a page's template
// inside a top-level dialog, both shown. The page records the WM_COMMAND notifications
// its controls send. Destroyed with the object.
#ifndef VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEST_PAGE_H_
#define VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEST_PAGE_H_

#include <windows.h>
// windows.h first: commctrl.h needs its types.
#include <commctrl.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "wizard/framework/dialog_template.h"
#include "wizard/framework/win32/dialog_template_ex.h"

namespace vantor::framework::testing {

struct Notification {
  int id = 0;
  int code = 0;
  friend bool operator==(const Notification&, const Notification&) = default;
};

class TestPage {
 public:
  explicit TestPage(const DialogTemplate& page) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    static const DialogTemplate kTop{1, 300, 200, "Page test", {}};
    m_top = Create(kTop, DialogFrame::TopLevel, nullptr, TopProc);
    m_page = Create(page, DialogFrame::ChildPage, m_top, PageProc);
    ShowWindow(m_page, SW_SHOW);
    ShowWindow(m_top, SW_SHOW);
    SetForegroundWindow(m_top);
  }
  ~TestPage() { DestroyWindow(m_top); }
  TestPage(const TestPage&) = delete;
  TestPage& operator=(const TestPage&) = delete;

  HWND Top() const { return m_top; }
  HWND Page() const { return m_page; }
  HWND Item(int id) const { return GetDlgItem(m_page, id); }
  // What the page has heard since the last call.
  std::vector<Notification> TakeNotifications() { return std::exchange(m_heard, {}); }

 private:
  HWND Create(const DialogTemplate& dialog, DialogFrame frame, HWND parent, DLGPROC proc) {
    DialogTemplateOptions options;
    options.frame = frame;
    const std::vector<std::uint8_t> bytes = SerializeDialogTemplate(dialog, options);
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                             parent, proc, reinterpret_cast<LPARAM>(this));
    if (window == nullptr) throw std::runtime_error("CreateDialogIndirectParamW failed");
    return window;
  }

  static INT_PTR CALLBACK TopProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(page, DWLP_USER, lParam);
    auto* self = reinterpret_cast<TestPage*>(GetWindowLongPtrW(page, DWLP_USER));
    if (message == WM_COMMAND && self != nullptr) {
      self->m_heard.push_back({LOWORD(wParam), HIWORD(wParam)});
    }
    return FALSE;
  }

  HWND m_top = nullptr;
  HWND m_page = nullptr;
  std::vector<Notification> m_heard;
};

}  // namespace vantor::framework::testing

#endif  // VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEST_PAGE_H_
