// Starting vantor-cli, or another program, from a test: in a given directory, standard
// input from /dev/null, standard output and error into the files "out" and "err" of a
// capture directory, and, when the test runs as root, as another user. On POSIX
// systems the child starts with every signal unblocked and at its default action, as
// from an interactive shell, whatever the test runner was started with.
#ifndef VANTOR_TESTS_CLI_CLI_PROCESS_H_
#define VANTOR_TESTS_CLI_CLI_PROCESS_H_

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace vantor::testing {

#ifdef _WIN32

// On Windows a started process is known by its handle. No user switch; standard input
// from NUL.
using Process = HANDLE;

inline std::wstring WideOf(const std::string& text) {
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// One argument quoted as CommandLineToArgvW and the C runtime read it back.
inline std::wstring QuotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

inline HANDLE InheritableFile(const std::string& name, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(WideOf(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts `args` after the program `vantor-cli` in `dir`; null when it cannot be started.
inline Process StartCli(const std::vector<std::string>& args, const std::string& dir,
                        const TempDir& captures) {
  std::wstring line = QuotedArgument(WideOf(VANTOR_CLI_PATH));
  for (const std::string& arg : args) line += L" " + QuotedArgument(WideOf(arg));
  HANDLE in = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = InheritableFile(captures.File("out"), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritableFile(captures.File("err"), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  // Under Wine a start now and then fails for no reason of ours (once in several hundred
  // runs of the suite): tried again before the test is failed for it.
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200);
    started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               WideOf(dir).c_str(), &startup, &process);
  }
  for (HANDLE h : {in, out, err}) {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  if (!started) return nullptr;
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

// The exit status; 127 when the process could not be started.
inline int WaitForExit(Process process) {
  if (process == nullptr) return 127;
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 127;
  ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  return static_cast<int>(code);
}

#else

using Process = pid_t;

// A user to run a child as: switched to in the child before exec, with no supplementary
// groups. Only root may switch.
struct User {
  uid_t uid;
  gid_t gid;
};

// The user nobody with the group nogroup; none when the system lacks either.
inline std::optional<User> Nobody() {
  const struct passwd* nobody = ::getpwnam("nobody");
  const struct group* nogroup = ::getgrnam("nogroup");
  if (nobody == nullptr || nogroup == nullptr) return std::nullopt;
  return User{nobody->pw_uid, nogroup->gr_gid};
}

struct Launch {
  std::string dir = "/";                    // the working directory of the child
  const TempDir* captures = nullptr;        // null: standard output and error are the test's
  std::optional<User> user = std::nullopt;  // none: the test's own
  int out = -1;                             // when set, standard output instead of "out"
  std::optional<rlim_t> maxFileBytes = std::nullopt;  // the child's `ulimit -f`, in bytes
  std::optional<rlim_t> maxOpenFiles = std::nullopt;  // the child's `ulimit -n`
};

// Starts `argv` (argv[0] is the program's path) as `launch` says; the child exits 127
// when it cannot be set up or the program cannot be run.
inline pid_t StartProcess(std::vector<std::string> argv, const Launch& launch) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(launch.dir.c_str()) != 0) _exit(127);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::close(in);
    if (launch.captures != nullptr) {
      int out = ::open(launch.captures->File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = ::open(launch.captures->File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(err, 2);
      ::close(out);
      ::close(err);
    }
    if (launch.out >= 0) ::dup2(launch.out, 1);
    // A runner started in the background or under nohup passes on ignored signals, and
    // the program keeps those ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) ::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (launch.maxOpenFiles) {
      const struct rlimit limit = {*launch.maxOpenFiles, *launch.maxOpenFiles};
      if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(127);
    }
    if (launch.maxFileBytes) {
      const struct rlimit limit = {*launch.maxFileBytes, *launch.maxFileBytes};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    if (launch.user && (::setgroups(0, nullptr) != 0 || ::setgid(launch.user->gid) != 0 ||
                        ::setuid(launch.user->uid) != 0)) {
      _exit(127);
    }
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    _exit(127);
  }
  return pid;
}

inline pid_t StartCli(const std::vector<std::string>& args, const Launch& launch) {
  std::vector<std::string> argv = {VANTOR_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return StartProcess(std::move(argv), launch);
}

inline pid_t StartCli(const std::vector<std::string>& args, const std::string& dir,
                      const TempDir& captures, std::optional<User> user = std::nullopt) {
  return StartCli(args, {.dir = dir, .captures = &captures, .user = user});
}

// The exit status, or 128 + the signal that ended the process.
inline int WaitForExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif  // _WIN32

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Waits for a process started with `captures` and reads what it printed.
inline Outcome Finish(Process pid, const TempDir& captures) {
  Outcome outcome;
  outcome.status = WaitForExit(pid);
  outcome.out = ReadFile(captures.File("out"));
  outcome.err = ReadFile(captures.File("err"));
  return outcome;
}

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_CLI_CLI_PROCESS_H_
