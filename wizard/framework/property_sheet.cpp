#include "wizard/framework/property_sheet.h"

#include <algorithm>
#include <utility>

#include "wizard/framework/backend.h"
#include "wizard/framework/property_page.h"

namespace vantor::framework {

namespace {

std::optional<std::chrono::milliseconds>& PressGuardSlot() {
  static std::optional<std::chrono::milliseconds> interval;
  return interval;
}
std::chrono::milliseconds PressGuard() {
  if (PressGuardSlot()) return *PressGuardSlot();
  return backend::DoubleClickInterval();
}
PropertySheet::Clock& ClockSlot() {
  static PropertySheet::Clock clock;
  return clock;
}

}  // namespace

PropertySheet::PropertySheet(const std::string& caption)
    : m_window(MakeSheetWindow(*this, caption)) {
  SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

PropertySheet::~PropertySheet() {
  // The windows go with the sheet's window.
  for (PropertyPage* page : m_pages) {
    page->m_sheet = nullptr;
    page->m_window = {};
  }
}

void PropertySheet::AddPage(PropertyPage* page) {
  if (page == nullptr || page->m_sheet != nullptr) return;
  page->m_sheet = this;
  m_pages.push_back(page);
  m_window->MakeRoomFor(page->GetTemplate());
}

void PropertySheet::RemovePage(int index) {
  PropertyPage* page = GetPage(index);
  if (page == nullptr) return;
  if (page->m_window) page->OnDestroy();
  m_pages.erase(m_pages.begin() + index);
  page->m_sheet = nullptr;
  m_window->DestroyPage(page->m_window);
  page->m_window = {};
  if (index == m_active) {
    m_active = -1;
  } else if (index < m_active) {
    --m_active;
  }
}

PropertyPage* PropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[index] : nullptr;
}

int PropertySheet::GetPageIndex(const PropertyPage* page) const {
  const auto found = std::find(m_pages.begin(), m_pages.end(), page);
  return found == m_pages.end() ? -1 : static_cast<int>(found - m_pages.begin());
}

bool PropertySheet::SetActivePage(int index) {
  PropertyPage* page = GetPage(index);
  if (page == nullptr) return false;
  if (!page->m_window) CreatePageWindow(page);
  m_active = index;
  m_window->ShowPage(page->m_window);
  m_window->SetTitle(page->GetTemplate().caption);
  page->OnSetActive();
  // Even when a sheet button had it: after Next pressed from the keyboard, typing goes to
  // the new page, and during a run Enter or Space must not reach Cancel.
  if (GetActivePage() == page && page->m_window) FocusFirstControl(page);
  return true;
}

bool PropertySheet::SetActivePage(PropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

void PropertySheet::SetWizardButtons(unsigned flags) { m_window->SetButtons(flags); }

void PropertySheet::SetPressGuard(std::optional<std::chrono::milliseconds> interval) {
  PressGuardSlot() = interval;
}

void PropertySheet::SetClock(Clock clock) { ClockSlot() = std::move(clock); }

std::chrono::steady_clock::time_point PropertySheet::Now() {
  return ClockSlot() ? ClockSlot()() : std::chrono::steady_clock::now();
}

void PropertySheet::OnShown() {
  if (m_active < 0 && !m_pages.empty()) SetActivePage(0);
}

void PropertySheet::Press(Button button) {
  switch (button) {
    case Button::Back:
      PressBack();
      break;
    case Button::Next:
      PressNext();
      break;
    case Button::Finish:
      PressFinish();
      break;
    case Button::Cancel:
      RequestCancel();
      break;
  }
}

void PropertySheet::RequestCancel() {
  if (PropertyPage* active = GetActivePage(); active != nullptr && !active->OnQueryCancel()) {
    return;
  }
  const std::vector<PropertyPage*> pages = m_pages;
  for (PropertyPage* page : pages) {
    if (page->m_window) page->OnCancel();
  }
  m_window->Close(SheetResult::Cancelled);
}

bool PropertySheet::PressedTooSoon(Button button) {
  const auto now = Now();
  std::optional<std::chrono::steady_clock::time_point>& last =
      m_lastPress[static_cast<int>(button)];
  const bool tooSoon = last && now - *last < PressGuard();
  // Measured from every press, an ignored one too: a burst of presses (a triple click, a
  // held Enter) counts once.
  last = now;
  return tooSoon;
}

void PropertySheet::PressBack() {
  if (PressedTooSoon(Button::Back)) return;
  if (PropertyPage* page = GetActivePage()) {
    const int answer = page->OnWizardBack();
    MoveTo(answer, m_active - 1);
  }
}

void PropertySheet::PressNext() {
  if (PressedTooSoon(Button::Next)) return;
  if (PropertyPage* page = GetActivePage()) {
    const int answer = page->OnWizardNext();
    // Read the index after the page answered: it may have rebuilt the pages after it.
    MoveTo(answer, m_active + 1);
  }
}

void PropertySheet::PressFinish() {
  if (PressedTooSoon(Button::Finish)) return;
  if (PropertyPage* page = GetActivePage(); page != nullptr && !page->OnWizardFinish()) return;
  m_window->Close(SheetResult::Finished);
}

void PropertySheet::MoveTo(int answer, int adjacentIndex) {
  if (answer == -1) return;
  int target = adjacentIndex;
  if (answer != 0) {
    const auto found = std::find_if(m_pages.begin(), m_pages.end(), [answer](auto* page) {
      return page->GetTemplateId() == answer;
    });
    if (found == m_pages.end()) return;
    target = static_cast<int>(found - m_pages.begin());
  }
  SetActivePage(target);
}

void PropertySheet::CreatePageWindow(PropertyPage* page) {
  page->m_window = m_window->CreatePage(page->GetTemplate());
  page->OnInitDialog();
}

void PropertySheet::FocusFirstControl(PropertyPage* page) {
  for (const ControlTemplate& control : page->GetTemplate().controls) {
    // Of a radio group, Tab reaches the checked button, which need not carry kTabStop.
    if (!(control.style & kTabStop) && control.kind != ControlKind::RadioButton) continue;
    if (m_window->CanTakeFocus(page->m_window, control.id)) {
      page->GotoDlgCtrl(control.id);
      return;
    }
  }
  const Button next = m_window->IsButtonShown(Button::Finish) ? Button::Finish : Button::Next;
  if (m_window->IsButtonEnabled(next)) {
    m_window->FocusButton(next);
  } else {
    m_window->FocusPage(page->m_window);
  }
}

}  // namespace vantor::framework
