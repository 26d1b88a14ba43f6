// Running what a benchmark times: one child process measured (wall time around fork
// and wait4, CPU time and peak memory from its rusage), rounds of several commands in
// turn, and a contest of vantor-cli against its peer tool on the same files, whose
// figures are printed.
#ifndef VANTOR_BENCH_PROCESS_H_
#define VANTOR_BENCH_PROCESS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vantor::bench {

struct ChildRun {
  double wallSeconds = 0;
  double userSeconds = 0;
  double systemSeconds = 0;
  double peakRssMiB = 0;
  int exitCode = -1;  // -1 when killed by a signal or not started
};

struct ChildSetup {
  std::string stdoutPath;                                        // empty: inherited
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
};

// Runs `argv` (its program looked up in PATH) to its end and measures it.
ChildRun RunChild(const std::vector<std::string>& argv, const ChildSetup& setup = {});

// Several children timed as one: wall and CPU times add up, peak memory is the
// largest of them.
ChildRun Combine(const std::vector<ChildRun>& parts);

double Median(std::vector<ChildRun> runs);  // of the wall times
double PeakRss(const std::vector<ChildRun>& runs);

// One line of figures: the best round, the median and the peak memory of `runs`.
void PrintRun(const char* label, const ChildRun& best, const std::vector<ChildRun>& runs);

// Runs `commands` once untimed, then `runs` rounds of all of them in turn, and returns
// each command's best round; every round of each goes to `*all`. A command returns
// its measurement, with exitCode -1 when it failed, which ends the rounds. Before each
// command its output is deleted (an output that is a directory is emptied; an empty
// name is left alone) and the disks synced.
std::vector<ChildRun> TimeRounds(int runs, const std::vector<std::string>& outputs,
                                 const std::vector<std::function<ChildRun()>>& commands,
                                 std::vector<std::vector<ChildRun>>* all);

// One command against its peer on the same files: vantor-cli with `oursArgs`, which
// writes `oursOutput` and its report to `report`, against `peerArgv`, which writes
// `peerOutput` (from its stdout when `peerToStdout`), followed by `sync peerOutput`.
// An output may be a directory that the command writes its files into; then the peer
// is followed by a sync of every file in it.
//
// With `baselineArgv`, a third command runs in the same rounds with its stdout going
// to `baselineOutput`, followed by `sync baselineOutput`, timed together: `cat` of the
// inputs into a file on the same disk, the floor of a command that copies them.
struct Contest {
  std::string name;
  std::vector<std::string> oursArgs;
  std::string oursOutput;
  std::string report;
  std::string peerLabel;  // e.g. "grep + sync"
  std::vector<std::string> peerArgv;
  std::vector<std::pair<std::string, std::string>> peerEnvironment;
  std::string peerOutput;
  bool peerToStdout = false;
  std::vector<int> peerExitCodes{0};        // those that mean success
  std::string baselineLabel{};              // e.g. "cat + sync"
  std::vector<std::string> baselineArgv{};  // empty: none
  std::string baselineOutput{};
};

struct ContestResult {
  ChildRun ours;
  ChildRun peer;
  ChildRun baseline;
  std::vector<ChildRun> oursRuns;
  std::vector<ChildRun> peerRuns;
  std::vector<ChildRun> baselineRuns;
  double ratio = 0;              // wall time, ours / peer's
  double baselineRatio = 0;      // wall time, ours / the baseline's
  double peerBaselineRatio = 0;  // wall time, the peer's / the baseline's
  double oursPeakRssMiB = 0;
};

// Times a contest with the vantor-cli at `cli` over `runs` rounds and prints its
// figures. False when a command failed.
bool RunContest(const Contest& contest, const std::string& cli, int runs, ContestResult* result);

// The target lines: the ratio of wall times and vantor-cli's peak memory. `setFor`
// names the list sizes the targets are set for, in MiB.
void PrintTargets(const ContestResult& result, const char* peerName, double maxRatio,
                  double maxRssMiB, const std::vector<std::uint64_t>& setFor,
                  std::uint64_t sizeMiB);

}  // namespace vantor::bench

#endif  // VANTOR_BENCH_PROCESS_H_
