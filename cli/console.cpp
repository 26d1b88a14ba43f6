#include "cli/console.h"

#include <csignal>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vantor::cli {

namespace {
void (*g_onStop)(int) = nullptr;
}  // namespace

#ifdef _WIN32

namespace {

// Set once the run has stopped and removed its temporary files. Lives as long as the
// process: the handler's thread may still wait on it while main returns.
HANDLE g_runEnded = nullptr;

// Runs on a thread the system starts. Returning TRUE keeps the process alive, so that
// the run stops at its next check and removes its temporary files. A closing console
// (or a logoff or shutdown) ends the process once this returns, and at the latest some
// five seconds after the event: the handler waits for the run's cleanup, up to 4.5 s.
// A stop never splits the commit, which waits for no stop; only a commit still running
// when Windows ends the process could be cut, and then each file is the old or the new.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (g_onStop) g_onStop(SIGINT);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (g_onStop) g_onStop(SIGINT);
      if (g_runEnded) ::WaitForSingleObject(g_runEnded, 4500);
      return TRUE;
    default:
      return FALSE;
  }
}

HANDLE ConsoleOf(std::FILE* out) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(out)));
}

}  // namespace

void InstallStopHandler(void (*onStop)(int)) {
  g_onStop = onStop;
  g_runEnded = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  // Names and reasons are UTF-8: a console shows them right only in that code page.
  ::SetConsoleOutputCP(CP_UTF8);
}

void RunEnded() {
  if (g_runEnded) ::SetEvent(g_runEnded);
}

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(n > 0 ? static_cast<std::size_t>(n) : 1u, '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.pop_back();  // the terminating NUL
    args.push_back(std::move(arg));
  }
  ::LocalFree(wide);
  return args;
}

bool IsTerminal(std::FILE* out) {
  if (!::_isatty(::_fileno(out))) return false;
  const HANDLE console = ConsoleOf(out);
  DWORD mode = 0;
  if (!::GetConsoleMode(console, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::size_t TerminalWidth(std::FILE* out) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(ConsoleOf(out), &info)) return 0;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? static_cast<std::size_t>(width) : 0;
}

#else

namespace {
extern "C" void OnStopSignal(int signal) {
  if (g_onStop) g_onStop(signal);
}
}  // namespace

void InstallStopHandler(void (*onStop)(int)) {
  g_onStop = onStop;
  struct sigaction stop = {};
  stop.sa_handler = OnStopSignal;
  // The stop is seen at the run's next check; no call needs to fail with EINTR for it.
  stop.sa_flags = SA_RESTART;
  sigemptyset(&stop.sa_mask);
  // A closing terminal (SIGHUP) stops the run as Ctrl+C does, instead of killing it
  // with its temporary files left behind. Under nohup, or in the background of a shell
  // without job control, the user asked for the run to outlive these: it does.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before = {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &stop, nullptr);
  }
  // Without these a reader that went away, or a file grown past `ulimit -f`, would kill
  // the program in the middle of a write; ignored, that write fails with EPIPE or EFBIG
  // and the run ends as any failed write ends it.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

// A signal's default action ends nothing once the handler is in place: nobody waits.
void RunEnded() {}

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool IsTerminal(std::FILE* out) { return ::isatty(::fileno(out)) != 0; }

std::size_t TerminalWidth(std::FILE* out) {
  struct winsize size = {};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

#endif

}  // namespace vantor::cli
