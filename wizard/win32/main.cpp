// The wizard on Windows: one modal property sheet on the system's own controls. The
// program ends when the sheet closes.
#include <objbase.h>
#include <windows.h>

#include <utility>

#include "wizard/sheet.h"

namespace {

constexpr int kIconId = 1;  // vantor.rc

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The pictures are decoded, and links opened, by components of the system's own.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  vantor::wizard::CVantorSheet sheet;
  const auto window = static_cast<HWND>(sheet.GetWindow().handle);
  for (const auto& [which, side] :
       {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetrics(side);
    HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, size, size, 0);
    if (icon != nullptr) SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  sheet.DoModal();
  return 0;
}
