// The user-interface thread's wake-ups and timers as messages to a message-only window of
// that thread, which every message loop of the thread dispatches (a modal one too); threads
// from the C runtime, so that it sets up its own state for them.
#include <windows.h>
// windows.h first: process.h's _beginthreadex takes its types.
#include <process.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "wizard/framework/backend.h"
#include "wizard/framework/thread.h"
#include "wizard/framework/timer.h"

namespace vantor::framework {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kClassName[] = L"VantorMessageWindow";

// A window that calls `onMessage` for each wake-up and each tick: the function lives in the
// object that owns the window, which destroys the window first.
class MessageWindow {
 public:
  explicit MessageWindow(std::function<void()> onMessage) : m_onMessage(std::move(onMessage)) {
    static const ATOM windowClass = [] {
      WNDCLASSEXW description{};
      description.cbSize = sizeof(description);
      description.lpfnWndProc = Proc;
      description.hInstance = GetModuleHandleW(nullptr);
      description.lpszClassName = kClassName;
      return RegisterClassExW(&description);
    }();
    if (windowClass == 0) throw std::runtime_error("RegisterClassExW failed");
    m_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (m_window == nullptr) throw std::runtime_error("CreateWindowExW failed");
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  // Messages still queued for the window are dropped with it.
  ~MessageWindow() { DestroyWindow(m_window); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Get() const { return m_window; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWakeMessage || (message == WM_TIMER && wParam == kTimerId)) {
      auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr) {
        // A copy: the call may destroy the owner, and this function object with it.
        const std::function<void()> onMessage = self->m_onMessage;
        onMessage();
      }
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  std::function<void()> m_onMessage;
  HWND m_window = nullptr;
};

class Win32Waker final : public backend::Waker {
 public:
  explicit Win32Waker(std::function<void()> onWake) : m_window(std::move(onWake)) {}
  // One message per call: a wake-up is never merged with another.
  void Wake() override { PostMessageW(m_window.Get(), kWakeMessage, 0, 0); }

 private:
  MessageWindow m_window;
};

// WM_TIMER keeps to the system's timer resolution (about 15 ms) whatever `precise` says:
// raising the resolution for the whole system would cost more wake-ups than the ticks save.
class Win32Timer final : public Timer {
 public:
  Win32Timer(std::chrono::milliseconds period, std::function<void()> onTick)
      : m_window(std::move(onTick)) {
    const auto ms = static_cast<UINT>(std::max<std::chrono::milliseconds::rep>(
        USER_TIMER_MINIMUM,
        std::min<std::chrono::milliseconds::rep>(period.count(), USER_TIMER_MAXIMUM)));
    if (SetTimer(m_window.Get(), kTimerId, ms, nullptr) == 0) {
      throw std::runtime_error("SetTimer failed");
    }
  }
  ~Win32Timer() override { KillTimer(m_window.Get(), kTimerId); }

 private:
  MessageWindow m_window;
};

class Win32Thread final : public Thread {
 public:
  Win32Thread(std::size_t stackSize, std::function<void()> body)
      : m_stackSize(stackSize), m_body(std::move(body)) {
    // The size reserves the stack's address space; only what the thread touches is
    // committed. Without the flag it would be the committed size and the reserve would
    // stay the program's default.
    const std::uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stackSize), Run,
                                                 this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (handle == 0) throw std::runtime_error("Could not start a thread.");
    m_handle = reinterpret_cast<HANDLE>(handle);
  }
  ~Win32Thread() override {
    Join();
    CloseHandle(m_handle);
  }
  void Join() override { WaitForSingleObject(m_handle, INFINITE); }
  std::size_t StackSize() const override { return m_stackSize; }

 private:
  // An exception the body lets out ends the program, as it would on std::thread.
  static unsigned __stdcall Run(void* self) noexcept {
    static_cast<Win32Thread*>(self)->m_body();
    return 0;
  }

  std::size_t m_stackSize;
  std::function<void()> m_body;
  HANDLE m_handle = nullptr;
};

}  // namespace

std::unique_ptr<backend::Waker> backend::MakeWaker(std::function<void()> onWake) {
  return std::make_unique<Win32Waker>(std::move(onWake));
}

std::chrono::milliseconds backend::DoubleClickInterval() {
  return std::chrono::milliseconds(GetDoubleClickTime());
}

std::unique_ptr<Timer> StartTimer(std::chrono::milliseconds period, bool /*precise*/,
                                  std::function<void()> onTick) {
  return std::make_unique<Win32Timer>(period, std::move(onTick));
}

std::unique_ptr<Thread> StartThread(std::size_t stackSize, std::function<void()> body) {
  return std::make_unique<Win32Thread>(stackSize, std::move(body));
}

}  // namespace vantor::framework
