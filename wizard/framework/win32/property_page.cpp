// The page operations on the page's Win32 window (page_window.h), through the control
// functions of controls.h.
#include "wizard/framework/property_page.h"

#include <windows.h>

#include <string>
#include <utility>

#include "engine/choices.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/framework/win32/controls.h"
#include "wizard/framework/win32/custom_control.h"
#include "wizard/framework/win32/native.h"
#include "wizard/framework/win32/page_window.h"

// windows.h names the A or W functions so; here they are the page's own.
#undef GetDlgItemText
#undef SetDlgItemText

namespace vantor::framework {

namespace {

HWND PageOf(const PropertyPage& page) { return win32::Window(page.GetWindow()); }

}  // namespace

PropertyPage::PropertyPage(const DialogTemplate& dialogTemplate) : m_template(dialogTemplate) {}

PropertyPage::~PropertyPage() {
  if (m_sheet != nullptr) m_sheet->RemovePage(m_sheet->GetPageIndex(this));
}

bool PropertyPage::HasDlgItem(int id) const { return win32::Item(PageOf(*this), id) != nullptr; }

std::string PropertyPage::GetDlgItemText(int id) const {
  return win32::GetItemText(PageOf(*this), id);
}

void PropertyPage::SetDlgItemText(int id, std::string_view text) {
  HWND page = PageOf(*this);
  win32::SetItemText(page, id, text);
  // A control that paints no background leaves its old text behind unless the page
  // under it is painted again.
  if (HWND control = win32::Item(page, id); control != nullptr && win32::IsTransparent(page, id)) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(page, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

bool PropertyPage::IsDlgButtonChecked(int id) const { return win32::IsChecked(PageOf(*this), id); }

void PropertyPage::CheckDlgButton(int id, bool checked) {
  win32::Check(PageOf(*this), id, checked);
}

std::uint32_t PropertyPage::GetDlgItemInt(int id, bool* translated) const {
  std::uint32_t value = 0;
  const bool ok = HasDlgItem(id) && ReadUnsignedField(GetDlgItemText(id), &value);
  if (translated != nullptr) *translated = ok;
  return ok ? value : 0;
}

void PropertyPage::EnableDlgItem(int id, bool enable) { win32::Enable(PageOf(*this), id, enable); }

void PropertyPage::GotoDlgCtrl(int id) { win32::Focus(PageOf(*this), id); }

void PropertyPage::DropEditSelection(int id) { win32::DropSelection(PageOf(*this), id); }

void PropertyPage::SetEditCaret(int id, int position) {
  win32::SetCaret(PageOf(*this), id, position);
}

void PropertyPage::OnClicked(int id, std::function<void()> handler) {
  win32::AddClicked(PageOf(*this), id, std::move(handler));
}

void PropertyPage::OnTextChanged(int id, std::function<void(const std::string&)> handler) {
  win32::AddTextChanged(PageOf(*this), id, std::move(handler));
}

void PropertyPage::OnFocusIn(int id, std::function<void()> handler) {
  win32::AddFocusIn(PageOf(*this), id, std::move(handler));
}

void PropertyPage::OnListAdded(int id, std::function<void(int row)> handler) {
  win32::AddListAdded(PageOf(*this), id, std::move(handler));
}

void PropertyPage::OnFilesDropped(int id,
                                  std::function<void(const std::vector<std::string>&)> handler) {
  win32::AddFilesDropped(PageOf(*this), id, std::move(handler));
}

int PropertyPage::ListAddString(int id, std::string_view text) {
  HWND page = PageOf(*this);
  const int row = win32::ListAddString(page, id, text);
  if (row >= 0) win32::NotifyListAdded(page, id, row);
  return row;
}

int PropertyPage::ListGetCount(int id) const { return win32::ListGetCount(PageOf(*this), id); }

std::string PropertyPage::ListGetText(int id, int row) const {
  return win32::ListGetText(PageOf(*this), id, row);
}

void PropertyPage::ListDeleteString(int id, int row) {
  win32::ListDeleteString(PageOf(*this), id, row);
}

int PropertyPage::ListGetCurSel(int id) const { return win32::ListGetCurSel(PageOf(*this), id); }

void PropertyPage::ListSetCurSel(int id, int row) { win32::ListSetCurSel(PageOf(*this), id, row); }

CustomControl* PropertyPage::GetCustomControl(int id) const {
  // Only a custom control's user data is a CustomControl*; other classes may keep anything.
  for (const ControlTemplate& control : m_template.controls) {
    if (control.id == id && control.kind == ControlKind::Custom) {
      return win32::CustomControlOf(win32::Item(PageOf(*this), id));
    }
  }
  return nullptr;
}

Size PropertyPage::GetDlgItemSize(int id) const {
  HWND control = win32::Item(PageOf(*this), id);
  RECT rect;
  if (control == nullptr || !GetWindowRect(control, &rect)) return {};
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void PropertyPage::SetDlgItemFont(int id, const FontSpec& font) {
  win32::SetFont(PageOf(*this), id, font);
}

void PropertyPage::SetDlgItemFill(int id, Fill fill) { win32::SetFill(PageOf(*this), id, fill); }

void PropertyPage::SetDlgItemPicture(int id, const Picture& picture) {
  win32::SetPicture(PageOf(*this), id, picture);
}

void PropertyPage::SetProgressRange(int id, int low, int high) {
  win32::SetProgressRange(PageOf(*this), id, low, high);
}

void PropertyPage::SetProgressPos(int id, int position) {
  win32::SetProgressPos(PageOf(*this), id, position);
}

int PropertyPage::GetProgressPos(int id) const { return win32::GetProgressPos(PageOf(*this), id); }

}  // namespace vantor::framework
