#include "bench/process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "bench/checks.h"

namespace vantor::bench {

namespace {

// What `sync` is given after a peer that wrote `output`: the file, or every file in
// the directory.
std::vector<std::string> SyncArgv(const std::string& output) {
  std::vector<std::string> argv{"sync"};
  if (IsDirectory(output)) {
    for (const std::string& name : FileNamesIn(output)) argv.push_back(output + "/" + name);
  } else {
    argv.push_back(output);
  }
  return argv;
}

std::string SizeName(std::uint64_t mib) {
  return mib % 1024 == 0 ? std::to_string(mib / 1024) + " GiB" : std::to_string(mib) + " MiB";
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, const ChildSetup& setup) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  ChildRun run;
  std::fflush(stdout);  // or the child would inherit what is buffered
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    if (!setup.stdoutPath.empty()) {
      const int fd = ::open(setup.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) ::_exit(126);
      ::close(fd);
    }
    for (const auto& [name, value] : setup.environment) ::setenv(name.c_str(), value.c_str(), 1);
    ::execvp(args[0], args.data());
    std::fprintf(stderr, "vantor_bench: cannot run %s: %s\n", args[0], std::strerror(errno));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error(std::string("wait4: ") + std::strerror(errno));
  }
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6;
  run.systemSeconds = static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6;
  run.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

ChildRun Combine(const std::vector<ChildRun>& parts) {
  ChildRun all;
  all.exitCode = 0;
  for (const ChildRun& part : parts) {
    all.wallSeconds += part.wallSeconds;
    all.userSeconds += part.userSeconds;
    all.systemSeconds += part.systemSeconds;
    all.peakRssMiB = std::max(all.peakRssMiB, part.peakRssMiB);
  }
  return all;
}

double Median(std::vector<ChildRun> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const ChildRun& a, const ChildRun& b) { return a.wallSeconds < b.wallSeconds; });
  const std::size_t n = runs.size();
  return n % 2 ? runs[n / 2].wallSeconds
               : (runs[n / 2 - 1].wallSeconds + runs[n / 2].wallSeconds) / 2;
}

double PeakRss(const std::vector<ChildRun>& runs) {
  double peak = 0;
  for (const ChildRun& run : runs) peak = std::max(peak, run.peakRssMiB);
  return peak;
}

void PrintRun(const char* label, const ChildRun& best, const std::vector<ChildRun>& runs) {
  std::printf(
      "              %-12s %7.3f s best, %7.3f s median  (user %.2f s, sys %.2f s)  "
      "peak RSS %6.1f MiB\n",
      label, best.wallSeconds, Median(runs), best.userSeconds, best.systemSeconds, PeakRss(runs));
}

std::vector<ChildRun> TimeRounds(int runs, const std::vector<std::string>& outputs,
                                 const std::vector<std::function<ChildRun()>>& commands,
                                 std::vector<std::vector<ChildRun>>* all) {
  std::vector<ChildRun> best(commands.size());
  all->assign(commands.size(), {});
  for (int round = 0; round <= runs; ++round) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
      RemoveOutput(outputs[i]);
      ::sync();
      const ChildRun run = commands[i]();
      if (run.exitCode < 0) {
        best[i].exitCode = -1;
        return best;
      }
      if (round == 0) continue;  // the warm-up
      (*all)[i].push_back(run);
      if (round == 1 || run.wallSeconds < best[i].wallSeconds) best[i] = run;
    }
  }
  return best;
}

bool RunContest(const Contest& contest, const std::string& cli, int runs, ContestResult* result) {
  auto runOurs = [&]() {
    std::vector<std::string> argv{cli};
    argv.insert(argv.end(), contest.oursArgs.begin(), contest.oursArgs.end());
    ChildRun run = RunChild(argv, {.stdoutPath = contest.report, .environment = {}});
    if (run.exitCode != 0) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", cli.c_str(), run.exitCode);
      run.exitCode = -1;
    }
    return run;
  };
  auto runPeer = [&]() {
    const ChildRun peer = RunChild(
        contest.peerArgv, {.stdoutPath = contest.peerToStdout ? contest.peerOutput : std::string(),
                           .environment = contest.peerEnvironment});
    if (std::find(contest.peerExitCodes.begin(), contest.peerExitCodes.end(), peer.exitCode) ==
        contest.peerExitCodes.end()) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", contest.peerArgv[0].c_str(),
                   peer.exitCode);
      return ChildRun{};
    }
    const ChildRun sync = RunChild(SyncArgv(contest.peerOutput));
    if (sync.exitCode != 0) return ChildRun{};
    return Combine({peer, sync});
  };
  auto runBaseline = [&]() {
    ChildRun run =
        RunChild(contest.baselineArgv, {.stdoutPath = contest.baselineOutput, .environment = {}});
    if (run.exitCode != 0) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", contest.baselineArgv[0].c_str(),
                   run.exitCode);
      run.exitCode = -1;
      return run;
    }
    const ChildRun sync = RunChild(SyncArgv(contest.baselineOutput));
    if (sync.exitCode != 0) return ChildRun{};
    return Combine({run, sync});
  };

  std::vector<std::string> outputs{contest.oursOutput, contest.peerOutput};
  std::vector<std::function<ChildRun()>> commands{runOurs, runPeer};
  const bool baseline = !contest.baselineArgv.empty();
  if (baseline) {
    outputs.push_back(contest.baselineOutput);
    commands.push_back(runBaseline);
  }
  std::vector<std::vector<ChildRun>> all;
  const std::vector<ChildRun> best = TimeRounds(runs, outputs, commands, &all);
  if (std::any_of(best.begin(), best.end(), [](const ChildRun& r) { return r.exitCode < 0; })) {
    std::printf("%-12s: FAILED (see the errors above)\n", contest.name.c_str());
    return false;
  }
  result->ours = best[0];
  result->peer = best[1];
  result->oursRuns = all[0];
  result->peerRuns = all[1];
  result->ratio = best[0].wallSeconds / best[1].wallSeconds;
  result->oursPeakRssMiB = PeakRss(all[0]);
  if (baseline) {
    result->baseline = best[2];
    result->baselineRuns = all[2];
    result->baselineRatio = best[0].wallSeconds / best[2].wallSeconds;
    result->peerBaselineRatio = best[1].wallSeconds / best[2].wallSeconds;
  }

  std::printf("%-12s: best of %d runs after a warm-up run\n", contest.name.c_str(), runs);
  PrintRun("vantor-cli", best[0], all[0]);
  PrintRun(contest.peerLabel.c_str(), best[1], all[1]);
  if (baseline) PrintRun(contest.baselineLabel.c_str(), best[2], all[2]);
  return true;
}

void PrintTargets(const ContestResult& result, const char* peerName, double maxRatio,
                  double maxRssMiB, const std::vector<std::uint64_t>& setFor,
                  std::uint64_t sizeMiB) {
  std::printf("              ratio vantor-cli / %s: %.2f (target <= %.2f: %s)\n", peerName,
              result.ratio, maxRatio, result.ratio <= maxRatio ? "met" : "MISSED");
  std::printf("              peak RSS of vantor-cli: %.1f MiB (target < %.0f MiB: %s)\n",
              result.oursPeakRssMiB, maxRssMiB,
              result.oursPeakRssMiB < maxRssMiB ? "met" : "MISSED");
  if (std::find(setFor.begin(), setFor.end(), sizeMiB) == setFor.end()) {
    std::string sizes;
    for (std::size_t i = 0; i < setFor.size(); ++i) {
      if (i > 0) sizes += i + 1 == setFor.size() ? " and " : ", ";
      sizes += SizeName(setFor[i]);
    }
    std::printf("              (the targets are set for %s list%s; this one is %llu MiB)\n",
                (setFor.size() == 1 ? "a " + sizes : "the " + sizes).c_str(),
                setFor.size() == 1 ? "" : "s", static_cast<unsigned long long>(sizeMiB));
  }
}

}  // namespace vantor::bench
