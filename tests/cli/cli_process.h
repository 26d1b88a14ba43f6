// Starting vantor-cli, or another program, from a test: in a given directory, standard
// input from /dev/null, standard output and error into the files "out" and "err" of a
// capture directory, and, when the test runs as root, as another user.
#ifndef VANTOR_TESTS_CLI_CLI_PROCESS_H_
#define VANTOR_TESTS_CLI_CLI_PROCESS_H_

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace vantor::testing {

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
  std::string dir = "/";              // the working directory of the child
  const TempDir* captures = nullptr;  // null: standard output and error are the test's
  std::optional<User> user;           // none: the test's own
};

// Starts `argv` (argv[0] is the program's path) as `launch` says; the child exits 127
// when it cannot be set up or the program cannot be run.
inline pid_t StartProcess(std::vector<std::string> argv, const Launch& launch) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(launch.dir.c_str()) != 0) _exit(127);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    if (launch.captures != nullptr) {
      int out = ::open(launch.captures->File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = ::open(launch.captures->File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(err, 2);
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

inline pid_t StartCli(const std::vector<std::string>& args, const std::string& dir,
                      const TempDir& captures, std::optional<User> user = std::nullopt) {
  std::vector<std::string> argv = {VANTOR_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return StartProcess(std::move(argv), {.dir = dir, .captures = &captures, .user = user});
}

// The exit status, or 128 + the signal that ended the process.
inline int WaitForExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Waits for a process started with `captures` and reads what it printed.
inline Outcome Finish(pid_t pid, const TempDir& captures) {
  Outcome outcome;
  outcome.status = WaitForExit(pid);
  outcome.out = ReadFile(captures.File("out"));
  outcome.err = ReadFile(captures.File("err"));
  return outcome;
}

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_CLI_CLI_PROCESS_H_
