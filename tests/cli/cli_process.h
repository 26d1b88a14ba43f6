// Starting vantor-cli from a test: in a given directory, standard input from /dev/null,
// standard output and error into the files "out" and "err" of a capture directory.
#ifndef VANTOR_TESTS_CLI_CLI_PROCESS_H_
#define VANTOR_TESTS_CLI_CLI_PROCESS_H_

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace vantor::testing {

inline pid_t StartCli(const std::vector<std::string>& args, const std::string& dir,
                      const TempDir& captures) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) _exit(127);
    int out = ::open(captures.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(captures.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    std::string program = VANTOR_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status, or 128 + the signal that ended the process.
inline int WaitForExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_CLI_CLI_PROCESS_H_
