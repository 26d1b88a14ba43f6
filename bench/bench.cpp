// vantor_bench: times vantor-cli against the standard tools on generated lists.
//
// Usage: vantor_bench [--flag=value ...]
//
//   --benchmarks=NAMES  comma-separated benchmarks, run in that order (default: filter)
//                         filter  vantor-cli -q --filter FILTER -o OUT LIST against
//                                 LC_ALL=C grep -v -i -F -f FILTER LIST > OUT2; sync OUT2
//   --size-mib=N        size of the generated list in MiB (default: 100)
//   --fragments=N       lines of the generated filter file (default: 10000)
//   --seed=N            seed of the generated files (default: 1)
//   --runs=N            timed runs of each command, after one untimed warm-up run that
//                       also fills the page cache (default: 3)
//   --workdir=DIR       where the lists and results go; the directory is created when
//                       missing and kept (default: a new directory in $TMPDIR or /tmp,
//                       deleted at the end). Put it on a disk, not a tmpfs: both sides
//                       pay for syncing their result.
//   --reuse-files       keep a list or filter file of the same name already in --workdir
//                       (the names carry the size, the count and the seed)
//   --cli=PATH          the vantor-cli to time (default: the one built with this program)
//   --grep=PATH         the grep to compare with (default: grep from PATH)
//   --help              this text
//
// Each timed round runs every command once, one after the other, each on a freshly
// synced machine with its output file deleted; a command's figure is its best round.
// Wall time is measured around fork and wait4; peak memory is the largest ru_maxrss of
// the timed runs.
// Exit status: 0 when every benchmark ran and its outputs agreed, 1 otherwise, 2 for a
// bad command line.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/list_generator.h"

#ifndef VANTOR_CLI_PATH
#define VANTOR_CLI_PATH "vantor-cli"
#endif

namespace vantor::bench {
namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct Flags {
  std::vector<std::string> benchmarks{"filter"};
  std::uint64_t sizeMiB = 100;
  std::uint64_t fragments = 10000;
  std::uint64_t seed = 1;
  int runs = 3;
  std::string workdir;  // empty: a temporary one
  bool reuseFiles = false;
  std::string cli = VANTOR_CLI_PATH;
  std::string grep = "grep";
};

// ---------------------------------------------------------------------------------
// Child processes

struct ChildRun {
  double wallSeconds = 0;
  double userSeconds = 0;
  double systemSeconds = 0;
  double peakRssMiB = 0;
  int exitCode = -1;  // -1 when killed by a signal or not started
};

struct ChildSetup {
  std::string stdoutPath;  // empty: inherited
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
};

// Runs `argv` to its end and measures it.
ChildRun RunChild(const std::vector<std::string>& argv, const ChildSetup& setup = {}) {
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

// Several children timed as one: wall and CPU times add up, peak memory is the
// largest of them.
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

// ---------------------------------------------------------------------------------
// Files

std::uint64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

struct FileComparison {
  bool identical = false;
  std::uint64_t linesA = 0;
  std::uint64_t linesB = 0;
  std::uint64_t firstDifferentLine = 0;  // 1-based; 0 when identical
};

std::uint64_t CountLines(const char* data, std::size_t n) {
  return static_cast<std::uint64_t>(std::count(data, data + n, '\n'));
}

// Compares two files byte for byte and counts their lines.
FileComparison CompareFiles(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  if (!fa || !fb) throw std::runtime_error("cannot read " + (fa ? b : a));
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<char> ba(kBlock);
  std::vector<char> bb(kBlock);
  FileComparison result;
  bool differs = false;
  for (;;) {
    fa.read(ba.data(), kBlock);
    fb.read(bb.data(), kBlock);
    const std::size_t na = static_cast<std::size_t>(fa.gcount());
    const std::size_t nb = static_cast<std::size_t>(fb.gcount());
    if (!differs) {
      const std::size_t common = std::min(na, nb);
      const auto mismatch = std::mismatch(ba.data(), ba.data() + common, bb.data());
      const std::size_t same = static_cast<std::size_t>(mismatch.first - ba.data());
      if (same < common || na != nb) {
        differs = true;
        result.firstDifferentLine = result.linesA + CountLines(ba.data(), same) + 1;
      }
    }
    result.linesA += CountLines(ba.data(), na);
    result.linesB += CountLines(bb.data(), nb);
    if (na < kBlock && nb < kBlock) break;
  }
  result.identical = !differs;
  return result;
}

std::uint64_t CountFileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<char> block(1 << 20);
  std::uint64_t lines = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    lines += CountLines(block.data(), static_cast<std::size_t>(in.gcount()));
  }
  return lines;
}

// Line `number` (1-based) of `path`, for a mismatch report.
std::string LineOf(const std::string& path, std::uint64_t number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (std::uint64_t i = 0; i < number; ++i) {
    if (!std::getline(in, line)) return "(end of file)";
  }
  return line;
}

std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// ---------------------------------------------------------------------------------
// What the benchmarks share

class Bench {
 public:
  explicit Bench(const Flags& flags) : flags_(flags), generator_(flags.seed) {}

  const Flags& flags() const { return flags_; }
  void SetWorkdir(std::string dir) { workdir_ = std::move(dir); }
  std::string Path(const std::string& name) const { return workdir_ + "/" + name; }

  // The generated list of --size-mib, written on first use.
  const std::string& List() {
    if (list_.empty()) {
      list_ = Path("list-" + std::to_string(flags_.sizeMiB) + "mib-seed" +
                   std::to_string(flags_.seed) + ".txt");
      if (flags_.reuseFiles && FileExists(list_)) {
        std::printf("list file   : %s (reused, %.1f MiB)\n", list_.c_str(),
                    static_cast<double>(FileSize(list_)) / kMiB);
      } else {
        const auto start = std::chrono::steady_clock::now();
        const ListStats stats = generator_.WriteList(list_, flags_.sizeMiB << 20);
        const double a = static_cast<double>(stats.addresses);
        std::printf(
            "list file   : %s\n"
            "              %.1f MiB, %s addresses: %.1f%% at large providers, %.1f%% exact and "
            "%.1f%% case-variant duplicates (written in %.1f s)\n",
            list_.c_str(), static_cast<double>(stats.bytes) / kMiB,
            Thousands(stats.addresses).c_str(), 100.0 * stats.providerAddresses / a,
            100.0 * stats.exactDuplicates / a, 100.0 * stats.caseDuplicates / a,
            Seconds(start));
      }
      std::fflush(stdout);
    }
    return list_;
  }

  // The generated filter file of --fragments lines, written on first use.
  const std::string& Filter() {
    if (filter_.empty()) {
      filter_ = Path("filter-" + std::to_string(flags_.fragments) + "-seed" +
                     std::to_string(flags_.seed) + ".txt");
      const bool reused = flags_.reuseFiles && FileExists(filter_);
      if (!reused) generator_.WriteFilter(filter_, flags_.fragments);
      std::printf("filter file : %s (%s%s fragments)\n", filter_.c_str(),
                  reused ? "reused, " : "", Thousands(flags_.fragments).c_str());
      std::fflush(stdout);
    }
    return filter_;
  }

  // Runs `commands` once untimed, then --runs rounds of all of them in turn, and
  // returns each command's best round. A command returns its measurement, with
  // exitCode -1 when it failed; its output file is deleted and the disks synced first.
  std::vector<ChildRun> TimeRounds(const std::vector<std::string>& outputs,
                                   const std::vector<std::function<ChildRun()>>& commands,
                                   std::vector<std::vector<ChildRun>>* all) {
    std::vector<ChildRun> best(commands.size());
    all->assign(commands.size(), {});
    for (int round = 0; round <= flags_.runs; ++round) {
      for (std::size_t i = 0; i < commands.size(); ++i) {
        ::unlink(outputs[i].c_str());
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

  static double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  }

 private:
  const Flags& flags_;
  ListGenerator generator_;
  std::string workdir_;
  std::string list_;
  std::string filter_;
};

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
  std::printf("              %-12s %7.3f s best, %7.3f s median  (user %.2f s, sys %.2f s)  "
              "peak RSS %6.1f MiB\n",
              label, best.wallSeconds, Median(runs), best.userSeconds, best.systemSeconds,
              PeakRss(runs));
}

// The line of vantor-cli's report with its count of denied addresses.
std::string DeniedLine(const std::string& reportPath) {
  std::ifstream in(reportPath);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("denied") != std::string::npos) return line;
  }
  return "(no count in the report)";
}

// ---------------------------------------------------------------------------------
// The benchmarks. Each returns false when a command failed or the results disagree.

bool BenchFilter(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string filter = bench.Filter();
  const std::string ours = bench.Path("filter-out-vantor.txt");
  const std::string peer = bench.Path("filter-out-grep.txt");
  const std::string report = bench.Path("filter-report-vantor.txt");

  auto runOurs = [&]() {
    ChildRun run = RunChild({flags.cli, "-q", "--filter", filter, "-o", ours, list},
                            {.stdoutPath = report, .environment = {}});
    if (run.exitCode != 0) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", flags.cli.c_str(), run.exitCode);
      run.exitCode = -1;
    }
    return run;
  };
  auto runPeer = [&]() {
    const ChildRun grep = RunChild({flags.grep, "-v", "-i", "-F", "-f", filter, list},
                                   {.stdoutPath = peer, .environment = {{"LC_ALL", "C"}}});
    if (grep.exitCode != 0 && grep.exitCode != 1) {  // 1: no line selected
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", flags.grep.c_str(),
                   grep.exitCode);
      return ChildRun{};
    }
    const ChildRun sync = RunChild({"sync", peer});
    if (sync.exitCode != 0) return ChildRun{};
    return Combine({grep, sync});
  };

  std::vector<std::vector<ChildRun>> all;
  const std::vector<ChildRun> best = bench.TimeRounds({ours, peer}, {runOurs, runPeer}, &all);
  if (best[0].exitCode < 0 || best[1].exitCode < 0) {
    std::printf("filter      : FAILED (see the errors above)\n");
    return false;
  }

  std::printf("filter      : best of %d runs after a warm-up run\n", flags.runs);
  PrintRun("vantor-cli", best[0], all[0]);
  PrintRun("grep + sync", best[1], all[1]);
  const double ratio = best[0].wallSeconds / best[1].wallSeconds;
  std::printf("              ratio vantor-cli / grep: %.2f (target <= 0.50: %s)\n", ratio,
              ratio <= 0.5 ? "met" : "MISSED");
  const double peakRss = PeakRss(all[0]);
  std::printf("              peak RSS of vantor-cli: %.1f MiB (target < 100 MiB: %s)\n", peakRss,
              peakRss < 100 ? "met" : "MISSED");

  const FileComparison same = CompareFiles(ours, peer);
  const std::uint64_t inputLines = CountFileLines(list);
  const std::uint64_t removed = inputLines - std::min(inputLines, same.linesA);
  if (same.identical) {
    std::printf("              outputs identical: %s of %s lines kept, %s removed (%.2f%%)\n",
                Thousands(same.linesA).c_str(), Thousands(inputLines).c_str(),
                Thousands(removed).c_str(), 100.0 * static_cast<double>(removed) / inputLines);
  } else {
    std::printf("              MISMATCH: vantor-cli kept %s lines, grep %s, of %s; first "
                "difference at line %s:\n                vantor-cli: %s\n"
                "                grep:       %s\n",
                Thousands(same.linesA).c_str(), Thousands(same.linesB).c_str(),
                Thousands(inputLines).c_str(), Thousands(same.firstDifferentLine).c_str(),
                LineOf(ours, same.firstDifferentLine).c_str(),
                LineOf(peer, same.firstDifferentLine).c_str());
  }
  std::printf("              vantor-cli report: %s\n", DeniedLine(report).c_str());
  std::fflush(stdout);
  return same.identical;
}

struct Benchmark {
  std::string_view name;
  bool (*run)(Bench&);
};

// Later: sort, randomize, split, merge, include, extract.
constexpr Benchmark kBenchmarks[] = {
    {"filter", BenchFilter},
};

// ---------------------------------------------------------------------------------
// Command line

const char* kUsage =
    "Usage: vantor_bench [--benchmarks=filter] [--size-mib=100] [--fragments=10000]\n"
    "                    [--seed=1] [--runs=3] [--workdir=DIR] [--reuse-files]\n"
    "                    [--cli=PATH] [--grep=PATH]\n"
    "See the top of bench/bench.cpp for what each flag does.\n";

bool ReadNumber(const std::string& text, std::uint64_t min, std::uint64_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || n < min) return false;
  *value = n;
  return true;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    std::string part = text.substr(start, comma - start);
    if (!part.empty()) parts.push_back(part);
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// Empty when the flags are good, else what is wrong.
std::string ParseFlags(int argc, char** argv, Flags* flags, bool* help) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const std::optional<std::string> value =
        equals == std::string::npos ? std::nullopt : std::optional(arg.substr(equals + 1));
    std::uint64_t n = 0;
    if (name == "--help" || name == "-h") {
      *help = true;
    } else if (name == "--reuse-files") {
      if (value && *value != "1" && *value != "0") return "--reuse-files takes 0 or 1";
      flags->reuseFiles = !value || *value == "1";
    } else if (!value) {
      return "unknown flag or missing =VALUE: " + arg;
    } else if (name == "--benchmarks") {
      flags->benchmarks = SplitCommas(*value);
    } else if (name == "--size-mib") {
      if (!ReadNumber(*value, 1, &n) || n > (1u << 20)) return "--size-mib takes 1 or more";
      flags->sizeMiB = n;
    } else if (name == "--fragments") {
      if (!ReadNumber(*value, 1, &n) || n > 100000000) return "--fragments takes 1 or more";
      flags->fragments = n;
    } else if (name == "--seed") {
      if (!ReadNumber(*value, 0, &n)) return "--seed takes a number";
      flags->seed = n;
    } else if (name == "--runs") {
      if (!ReadNumber(*value, 1, &n) || n > 1000) return "--runs takes 1 to 1000";
      flags->runs = static_cast<int>(n);
    } else if (name == "--workdir") {
      flags->workdir = *value;
    } else if (name == "--cli") {
      flags->cli = *value;
    } else if (name == "--grep") {
      flags->grep = *value;
    } else {
      return "unknown flag " + name;
    }
  }
  for (const std::string& name : flags->benchmarks) {
    const bool known = std::any_of(std::begin(kBenchmarks), std::end(kBenchmarks),
                                   [&](const Benchmark& b) { return b.name == name; });
    if (!known) return "unknown benchmark " + name;
  }
  return std::string();
}

int Main(int argc, char** argv) {
  Flags flags;
  bool help = false;
  const std::string problem = ParseFlags(argc, argv, &flags, &help);
  if (!problem.empty()) {
    std::fprintf(stderr, "vantor_bench: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  std::string workdir = flags.workdir;
  const bool temporary = workdir.empty();
  if (temporary) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantor-bench.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::fprintf(stderr, "vantor_bench: cannot create %s\n", pattern.c_str());
      return 1;
    }
    workdir = pattern;
  } else {
    std::error_code error;
    std::filesystem::create_directories(workdir, error);
    if (error) {
      std::fprintf(stderr, "vantor_bench: cannot create %s: %s\n", workdir.c_str(),
                   error.message().c_str());
      return 1;
    }
  }

  Bench bench(flags);
  bench.SetWorkdir(workdir);
  std::printf("vantor_bench: cli %s, grep %s, workdir %s\n", flags.cli.c_str(),
              flags.grep.c_str(), workdir.c_str());
  bool ok = true;
  try {
    for (const std::string& name : flags.benchmarks) {
      for (const Benchmark& benchmark : kBenchmarks) {
        if (benchmark.name == name) ok = benchmark.run(bench) && ok;
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantor_bench: %s\n", e.what());
    ok = false;
  }
  if (temporary) {
    std::error_code ignored;
    std::filesystem::remove_all(workdir, ignored);
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vantor::bench

int main(int argc, char** argv) { return vantor::bench::Main(argc, argv); }
