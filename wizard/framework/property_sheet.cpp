#include "wizard/framework/property_sheet.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyleHints>
#include <algorithm>
#include <utility>

#include "wizard/framework/dialog_builder.h"
#include "wizard/framework/dialog_units.h"
#include "wizard/framework/property_page.h"
#include "wizard/framework/qt/page_items.h"

namespace vantor::framework {

namespace {

// The sheet's own controls, in dialog units of its font.
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMargin = 7;  // around the button row, and between Next and Cancel

std::optional<std::chrono::milliseconds>& PressGuardSlot() {
  static std::optional<std::chrono::milliseconds> interval;
  return interval;
}
std::chrono::milliseconds PressGuard() {
  if (PressGuardSlot()) return *PressGuardSlot();
  return std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}
PropertySheet::Clock& ClockSlot() {
  static PropertySheet::Clock clock;
  return clock;
}

}  // namespace

PropertySheet::PropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  setFont(ResolveDialogFont(QStringLiteral("MS Shell Dlg"), 8));
  const DialogBaseUnits units = BaseUnitsOf(font());
  const QRect button = MapDialogRect({kMargin, kMargin, kButtonWidth, kButtonHeight}, units);

  m_stack = new QStackedWidget(this);
  m_stack->setFixedSize(0, 0);
  auto* line = new QFrame(this);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  m_back = new QPushButton(tr("< &Back"), this);
  m_next = new QPushButton(tr("&Next >"), this);
  m_finish = new QPushButton(tr("Finish"), this);
  m_cancel = new QPushButton(tr("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(button.x(), button.y(), button.x(), button.y());
  buttons->setSpacing(0);
  buttons->addStretch();
  for (QPushButton* each : {m_back, m_next, m_finish, m_cancel}) {
    each->setFixedSize(button.size());
    // Tab reaches them, a click does not take the focus: after Next pressed with the
    // mouse the new page's first control has it, as after Enter, even when a second
    // click (of a double click, or one ignored) comes after the page changed.
    each->setFocusPolicy(Qt::TabFocus);
    buttons->addWidget(each);
  }
  buttons->insertSpacing(buttons->indexOf(m_cancel), button.x());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(m_stack);
  layout->addWidget(line);
  layout->addLayout(buttons);

  connect(m_back, &QPushButton::clicked, this, &PropertySheet::PressBack);
  connect(m_next, &QPushButton::clicked, this, &PropertySheet::PressNext);
  connect(m_finish, &QPushButton::clicked, this, &PropertySheet::PressFinish);
  connect(m_cancel, &QPushButton::clicked, this, &PropertySheet::reject);
  SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

PropertySheet::~PropertySheet() {
  // The windows go with the sheet's widgets.
  for (PropertyPage* page : m_pages) {
    page->m_sheet = nullptr;
    page->m_window = {};
  }
}

void PropertySheet::AddPage(PropertyPage* page) {
  if (page == nullptr || page->m_sheet != nullptr) return;
  page->m_sheet = this;
  m_pages.push_back(page);
  const DialogTemplate& dialogTemplate = page->GetTemplate();
  const QFont pageFont =
      ResolveDialogFont(QString::fromUtf8(dialogTemplate.fontFamily), dialogTemplate.fontPointSize);
  const QSize size =
      MapDialogRect({0, 0, dialogTemplate.width, dialogTemplate.height}, BaseUnitsOf(pageFont))
          .size();
  m_stack->setFixedSize(m_stack->size().expandedTo(size));
}

void PropertySheet::RemovePage(int index) {
  PropertyPage* page = GetPage(index);
  if (page == nullptr) return;
  if (page->m_window) page->OnDestroy();
  m_pages.erase(m_pages.begin() + index);
  page->m_sheet = nullptr;
  delete qt::Widget(page->m_window);
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
  m_stack->setCurrentWidget(qt::Widget(page->m_window));
  setWindowTitle(QString::fromUtf8(page->GetTemplate().caption));
  page->OnSetActive();
  // Even when a sheet button had it: after Next pressed from the keyboard, typing goes to
  // the new page, and during a run Enter or Space must not reach Cancel.
  if (GetActivePage() == page && page->m_window) FocusFirstControl(page);
  return true;
}

bool PropertySheet::SetActivePage(PropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

void PropertySheet::SetWizardButtons(unsigned flags) {
  const bool finish = flags & PSWIZB_FINISH;
  m_back->setEnabled(flags & PSWIZB_BACK);
  m_next->setEnabled(flags & PSWIZB_NEXT);
  m_next->setVisible(!finish);
  m_finish->setVisible(finish);
  // Enter presses the button in Next's place.
  (finish ? m_finish : m_next)->setDefault(true);
}

QPushButton* PropertySheet::GetButton(Button button) const {
  switch (button) {
    case Button::Back:
      return m_back;
    case Button::Next:
      return m_next;
    case Button::Finish:
      return m_finish;
    case Button::Cancel:
      return m_cancel;
  }
  return nullptr;
}

void PropertySheet::SetPressGuard(std::optional<std::chrono::milliseconds> interval) {
  PressGuardSlot() = interval;
}

void PropertySheet::SetClock(Clock clock) { ClockSlot() = std::move(clock); }

std::chrono::steady_clock::time_point PropertySheet::Now() {
  return ClockSlot() ? ClockSlot()() : std::chrono::steady_clock::now();
}

void PropertySheet::showEvent(QShowEvent* event) {
  if (m_active < 0 && !m_pages.empty()) SetActivePage(0);
  QDialog::showEvent(event);
}

void PropertySheet::reject() {
  if (PropertyPage* active = GetActivePage(); active != nullptr && !active->OnQueryCancel()) {
    return;
  }
  const std::vector<PropertyPage*> pages = m_pages;
  for (PropertyPage* page : pages) {
    if (page->m_window) page->OnCancel();
  }
  QDialog::reject();
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
  accept();
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
  auto* window = new QWidget;
  BuildDialog(page->GetTemplate(), window);
  m_stack->addWidget(window);
  page->m_window = qt::Native(window);
  page->OnInitDialog();
}

void PropertySheet::FocusFirstControl(PropertyPage* page) {
  for (const ControlTemplate& control : page->GetTemplate().controls) {
    // Of a radio group, Tab reaches the checked button, which need not carry kTabStop.
    if (!(control.style & kTabStop) && control.kind != ControlKind::RadioButton) continue;
    QWidget* widget = qt::Item(*page, control.id);
    if (widget != nullptr && widget->isEnabled() && !widget->isHidden() &&
        (widget->focusPolicy() & Qt::TabFocus)) {
      page->GotoDlgCtrl(control.id);
      return;
    }
  }
  QPushButton* next = m_next->isHidden() ? m_finish : m_next;
  if (next->isEnabled()) {
    next->setFocus(Qt::TabFocusReason);
  } else {
    qt::Widget(page->m_window)->setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace vantor::framework
