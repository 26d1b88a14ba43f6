// What the batch tool asks of the terminal or console it runs in, on POSIX systems and
// on Windows alike.
#ifndef VANTOR_CLI_CONSOLE_H_
#define VANTOR_CLI_CONSOLE_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vantor::cli {

// Calls `onStop` with the signal's number when the user asks the run to stop: SIGINT,
// SIGTERM or SIGHUP on POSIX systems (one the program was started with ignored, as
// nohup does, stays ignored); Ctrl+C, Ctrl+Break or closing the console on Windows,
// all as SIGINT. `onStop` runs in a signal handler or on the console's own thread, so
// it may only use atomics.
// On POSIX systems SIGPIPE and SIGXFSZ are ignored, so that a write to a closed pipe
// or beyond the file size limit fails as any write does and the run cleans up.
// On Windows standard output and error are also switched to binary, so that the tool
// prints the same LF line ends everywhere, and the console to UTF-8, the encoding of the
// names and texts the tool prints.
void InstallStopHandler(void (*onStop)(int signal));

// Tells the stop handler that the run has ended and removed its temporary files: on
// Windows a closing console waits for that before the process is ended.
void RunEnded();

// The program's arguments after its name, in UTF-8 as the engine takes file names (on
// Windows `argv` is in the ANSI code page, which may not hold every name).
std::vector<std::string> Arguments(int argc, char** argv);

// Whether `out` is a terminal that the progress lines can be drawn on (on Windows, a
// console that takes the VT escape sequences).
bool IsTerminal(std::FILE* out);

// The width of the terminal `out` in columns; 0 when unknown.
std::size_t TerminalWidth(std::FILE* out);

}  // namespace vantor::cli

#endif  // VANTOR_CLI_CONSOLE_H_
