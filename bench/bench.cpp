// vantor_bench: times vantor-cli against the standard tools on generated lists.
//
// Usage: vantor_bench [--flag=value ...]
//
//   --benchmarks=NAMES  comma-separated benchmarks, run in that order on the same list
//                       (default: filter)
//                         filter            vantor-cli -q --filter FILTER -o OUT LIST against
//                                           LC_ALL=C grep -v -i -F -f FILTER LIST > OUT2;
//                                           sync OUT2
//                         sort-email        vantor-cli -q --sort-email -o OUT LIST against
//                                           LC_ALL=C sort -S 20M LIST -o OUT2; sync OUT2
//                         sort-email-dedup  vantor-cli -q --sort-email --remove-duplicates
//                                           -o OUT LIST against
//                                           LC_ALL=C sort -S 20M -u LIST -o OUT2; sync OUT2
//                         sort-domain       vantor-cli -q --sort-domain -o OUT LIST against
//                                           LC_ALL=C sort -S 20M -t@ -k2 -k1,1 LIST -o OUT2;
//                                           sync OUT2
//                         randomize         vantor-cli -q --randomize --seed 1 -o OUT LIST
//                                           against shuf LIST -o OUT2; sync OUT2
//                         split-count       vantor-cli -q --split-count 100000
//                                           -o DIR/out.txt LIST against
//                                           split -l 100000 -d -a 4 LIST DIR2/x; sync DIR2/*
//                         split-size        vantor-cli -q --split-kb 10240 -o DIR/out.txt LIST
//                                           against split -C 10240K -d -a 4 LIST DIR2/x;
//                                           sync DIR2/*
//                         merge             vantor-cli -q --merge -o OUT A B C against
//                                           cat A B C > OUT2; sync OUT2 (three other
//                                           generated lists, a third of --size-mib each)
//                         include           vantor-cli -q --include x@y.z --every 1000
//                                           -o OUT LIST against
//                                           awk '{print} NR%1000==0{print "x@y.z"}' LIST
//                                           > OUT2; sync OUT2
//                         extract           vantor-cli -q --extract 100000 --seed 1 -o OUT LIST
//                                           against shuf -n 100000 LIST -o OUT2; sync OUT2
//                       The last five also time cat of their input into /dev/null in the
//                       same rounds.
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
//   --sort=PATH         the sort to compare with (default: sort from PATH)
//   --shuf=PATH         the shuf to compare with (default: shuf from PATH)
//   --split=PATH        the split to compare with (default: split from PATH)
//   --cat=PATH          the cat to compare with (default: cat from PATH)
//   --awk=PATH          the awk to compare with (default: mawk when it is in PATH, else awk)
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
#include <unordered_map>
#include <utility>
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
  std::string sort = "sort";
  std::string shuf = "shuf";
  std::string split = "split";
  std::string cat = "cat";
  std::string awk;  // empty: mawk when it is in PATH, else awk
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

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names of the files in `dir`, in byte order, without the directory.
std::vector<std::string> FileNamesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Deletes an output file, or everything in an output directory (which stays). An empty
// name stands for no output.
void RemoveOutput(const std::string& path) {
  if (path.empty()) return;
  if (IsDirectory(path)) {
    for (const std::string& name : FileNamesIn(path)) {
      std::error_code ignored;
      std::filesystem::remove_all(path + "/" + name, ignored);
    }
  } else {
    ::unlink(path.c_str());
  }
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

// Reads a file one line at a time, through a buffer that grows to hold the longest line.
class LineReader {
 public:
  explicit LineReader(const std::string& path)
      : path_(path), in_(path, std::ios::binary), buffer_(1 << 20) {
    if (!in_) throw std::runtime_error("cannot read " + path);
  }

  // The next line, without its LF (a last line without one counts too); false at the
  // end of the file. The view lasts until the next call.
  bool Next(std::string_view* line) {
    for (;;) {
      const char* begin = buffer_.data() + at_;
      const std::size_t left = filled_ - at_;
      if (const void* lf = std::memchr(begin, '\n', left)) {
        const char* end = static_cast<const char*>(lf);
        *line = std::string_view(begin, static_cast<std::size_t>(end - begin));
        at_ += line->size() + 1;
        return true;
      }
      if (ended_) {
        if (left == 0) return false;
        *line = std::string_view(begin, left);
        at_ = filled_;
        return true;
      }
      std::memmove(buffer_.data(), begin, left);  // the start of a line that goes on
      at_ = 0;
      filled_ = left;
      if (filled_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
      in_.read(buffer_.data() + filled_, static_cast<std::streamsize>(buffer_.size() - filled_));
      const std::size_t got = static_cast<std::size_t>(in_.gcount());
      if (in_.bad()) throw std::runtime_error("cannot read " + path_);
      filled_ += got;
      ended_ = got < buffer_.size() - left;
    }
  }

 private:
  std::string path_;
  std::ifstream in_;
  std::vector<char> buffer_;
  std::size_t at_ = 0;
  std::size_t filled_ = 0;
  bool ended_ = false;
};

std::uint64_t Mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A 64-bit hash of a line, or of its ASCII lower-case form.
std::uint64_t HashLine(std::string_view line, bool ignoreCase = false) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  if (ignoreCase) {
    for (const char c : line) {
      h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 0x100000001b3ULL;
    }
  } else {
    for (const char c : line) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  }
  return Mix64(h ^ line.size());
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// What a list holds regardless of its order: two lists with the same lines, each as
// often, have the same signature, and two with different lines almost surely not.
struct LinesSignature {
  std::uint64_t lines = 0;
  std::uint64_t sum = 0;
  std::uint64_t sumOfMixed = 0;

  void Add(std::string_view line) {
    const std::uint64_t h = HashLine(line);
    ++lines;
    sum += h;
    sumOfMixed += Mix64(h ^ 0x5bd1e9955bd1e995ULL);
  }
  bool operator==(const LinesSignature&) const = default;
};

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

  // Three generated lists to merge, of other streams than the list, each a third of
  // --size-mib, written on first use.
  const std::vector<std::string>& MergeInputs() {
    if (mergeInputs_.empty()) {
      const std::uint64_t bytes = (flags_.sizeMiB << 20) / 3;
      for (std::uint64_t stream = 1; stream <= 3; ++stream) {
        const std::string path =
            Path("merge-list" + std::to_string(stream) + "-of-" + std::to_string(flags_.sizeMiB) +
                 "mib-seed" + std::to_string(flags_.seed) + ".txt");
        if (flags_.reuseFiles && FileExists(path)) {
          std::printf("merge list  : %s (reused, %.1f MiB)\n", path.c_str(),
                      static_cast<double>(FileSize(path)) / kMiB);
        } else {
          const auto start = std::chrono::steady_clock::now();
          const ListStats stats = generator_.WriteList(path, bytes, stream);
          std::printf(
              "merge list  : %s\n              %.1f MiB, %s addresses (written in %.1f s)\n",
              path.c_str(), static_cast<double>(stats.bytes) / kMiB,
              Thousands(stats.addresses).c_str(), Seconds(start));
        }
        mergeInputs_.push_back(path);
      }
      std::fflush(stdout);
    }
    return mergeInputs_;
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
  // exitCode -1 when it failed; its output is deleted (an output that is a directory
  // is emptied; an empty name is left alone) and the disks synced first.
  std::vector<ChildRun> TimeRounds(const std::vector<std::string>& outputs,
                                   const std::vector<std::function<ChildRun()>>& commands,
                                   std::vector<std::vector<ChildRun>>* all) {
    std::vector<ChildRun> best(commands.size());
    all->assign(commands.size(), {});
    for (int round = 0; round <= flags_.runs; ++round) {
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

  static double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  }

 private:
  const Flags& flags_;
  ListGenerator generator_;
  std::string workdir_;
  std::string list_;
  std::string filter_;
  std::vector<std::string> mergeInputs_;
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

// The line of vantor-cli's report that contains `word`, without its CR.
std::string ReportLine(const std::string& reportPath, std::string_view word) {
  std::ifstream in(reportPath);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(word) != std::string::npos) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
  }
  return "(no count in the report)";
}

// The number a report line starts with, if it does.
std::optional<std::uint64_t> LeadingNumber(const std::string& line) {
  if (line.empty() || line[0] < '0' || line[0] > '9') return std::nullopt;
  return std::strtoull(line.c_str(), nullptr, 10);
}

// One command against its peer on the same files: vantor-cli with `oursArgs`, which
// writes `oursOutput` and its report to `report`, against `peerArgv`, which writes
// `peerOutput` (from its stdout when `peerToStdout`), followed by `sync peerOutput`.
// An output may be a directory that the command writes its files into; then the peer
// is followed by a sync of every file in it.
//
// With `baselineArgv`, a third command runs in the same rounds with its stdout going
// to /dev/null: `cat` of the inputs, the least that a command which copies them does.
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
  std::vector<int> peerExitCodes{0};  // those that mean success
  std::string baselineLabel{};              // e.g. "cat > null"
  std::vector<std::string> baselineArgv{};  // empty: none
};

struct ContestResult {
  ChildRun ours;
  ChildRun peer;
  ChildRun baseline;
  std::vector<ChildRun> oursRuns;
  std::vector<ChildRun> peerRuns;
  std::vector<ChildRun> baselineRuns;
  double ratio = 0;          // wall time, ours / peer's
  double baselineRatio = 0;  // wall time, ours / the baseline's
  double oursPeakRssMiB = 0;
};

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

// Times a contest and prints its figures. False when a command failed.
bool RunContest(Bench& bench, const Contest& contest, ContestResult* result) {
  const Flags& flags = bench.flags();
  auto runOurs = [&]() {
    std::vector<std::string> argv{flags.cli};
    argv.insert(argv.end(), contest.oursArgs.begin(), contest.oursArgs.end());
    ChildRun run = RunChild(argv, {.stdoutPath = contest.report, .environment = {}});
    if (run.exitCode != 0) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", flags.cli.c_str(), run.exitCode);
      run.exitCode = -1;
    }
    return run;
  };
  auto runPeer = [&]() {
    const ChildRun peer = RunChild(
        contest.peerArgv,
        {.stdoutPath = contest.peerToStdout ? contest.peerOutput : std::string(),
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
    ChildRun run = RunChild(contest.baselineArgv, {.stdoutPath = "/dev/null", .environment = {}});
    if (run.exitCode != 0) {
      std::fprintf(stderr, "vantor_bench: %s exited with %d\n", contest.baselineArgv[0].c_str(),
                   run.exitCode);
      run.exitCode = -1;
    }
    return run;
  };

  std::vector<std::string> outputs{contest.oursOutput, contest.peerOutput};
  std::vector<std::function<ChildRun()>> commands{runOurs, runPeer};
  const bool baseline = !contest.baselineArgv.empty();
  if (baseline) {
    outputs.emplace_back();  // /dev/null
    commands.push_back(runBaseline);
  }
  std::vector<std::vector<ChildRun>> all;
  const std::vector<ChildRun> best = bench.TimeRounds(outputs, commands, &all);
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
  }

  std::printf("%-12s: best of %d runs after a warm-up run\n", contest.name.c_str(), flags.runs);
  PrintRun("vantor-cli", best[0], all[0]);
  PrintRun(contest.peerLabel.c_str(), best[1], all[1]);
  if (baseline) PrintRun(contest.baselineLabel.c_str(), best[2], all[2]);
  return true;
}

std::string SizeName(std::uint64_t mib) {
  return mib % 1024 == 0 ? std::to_string(mib / 1024) + " GiB" : std::to_string(mib) + " MiB";
}

// The target lines: the ratio of wall times and vantor-cli's peak memory. `setFor`
// names the list sizes the targets are set for, in MiB.
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

// Prints whether two outputs that should be the same bytes are.
bool ReportIdentical(const std::string& ours, const std::string& peer, const char* peerName) {
  const FileComparison same = CompareFiles(ours, peer);
  if (same.identical) {
    std::printf("              outputs identical: %s lines\n", Thousands(same.linesA).c_str());
  } else {
    std::printf("              MISMATCH: vantor-cli wrote %s lines, %s %s; first difference "
                "at line %s:\n                vantor-cli: %s\n                %-11s %s\n",
                Thousands(same.linesA).c_str(), peerName, Thousands(same.linesB).c_str(),
                Thousands(same.firstDifferentLine).c_str(),
                LineOf(ours, same.firstDifferentLine).c_str(),
                (std::string(peerName) + ":").c_str(),
                LineOf(peer, same.firstDifferentLine).c_str());
  }
  return same.identical;
}

// ---------------------------------------------------------------------------------
// The benchmarks. Each returns false when a command failed or the results disagree.

bool BenchFilter(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string filter = bench.Filter();
  Contest contest{
      .name = "filter",
      .oursArgs = {"-q", "--filter", filter, "-o", bench.Path("filter-out-vantor.txt"), list},
      .oursOutput = bench.Path("filter-out-vantor.txt"),
      .report = bench.Path("filter-report-vantor.txt"),
      .peerLabel = "grep + sync",
      .peerArgv = {flags.grep, "-v", "-i", "-F", "-f", filter, list},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path("filter-out-grep.txt"),
      .peerToStdout = true,
      .peerExitCodes = {0, 1},  // 1: no line selected
  };
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  const std::string& ours = contest.oursOutput;
  const std::string& peer = contest.peerOutput;

  std::printf("              ratio vantor-cli / grep: %.2f (target <= 0.50: %s)\n", result.ratio,
              result.ratio <= 0.5 ? "met" : "MISSED");
  std::printf("              peak RSS of vantor-cli: %.1f MiB (target < 100 MiB: %s)\n",
              result.oursPeakRssMiB, result.oursPeakRssMiB < 100 ? "met" : "MISSED");

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
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "denied").c_str());
  std::fflush(stdout);
  return same.identical;
}

// The sorts: at most the wall time of sort -S 20M on a 1 GiB list, under 100 MiB.
constexpr double kSortMaxRatio = 1.0;
constexpr double kSortMaxRssMiB = 100;
constexpr std::uint64_t kSortTargetMiB = 1024;

// A sort whose output must be the same bytes as sort's: `oursMode` is --sort-email or
// --sort-domain, `sortKeys` the arguments that give sort the same order.
bool BenchPlainSort(Bench& bench, const std::string& name, const std::string& oursMode,
                    const std::vector<std::string>& sortKeys, std::string_view reportWord) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  Contest contest{
      .name = name,
      .oursArgs = {"-q", oursMode, "-o", bench.Path(name + "-out-vantor.txt"), list},
      .oursOutput = bench.Path(name + "-out-vantor.txt"),
      .report = bench.Path(name + "-report-vantor.txt"),
      .peerLabel = "sort + sync",
      .peerArgv = {flags.sort, "-S", "20M"},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path(name + "-out-sort.txt"),
  };
  contest.peerArgv.insert(contest.peerArgv.end(), sortKeys.begin(), sortKeys.end());
  contest.peerArgv.insert(contest.peerArgv.end(), {list, "-o", contest.peerOutput});
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintTargets(result, "sort", kSortMaxRatio, kSortMaxRssMiB, {kSortTargetMiB}, flags.sizeMiB);
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, "sort");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, reportWord).c_str());
  std::fflush(stdout);
  return identical;
}

bool BenchSortEmail(Bench& bench) {
  return BenchPlainSort(bench, "sort-email", "--sort-email", {}, "sorted");
}

// Every generated line holds exactly one '@', so sort's second field is the domain and
// its first the user name: the same order as vantor-cli's.
bool BenchSortDomain(Bench& bench) {
  return BenchPlainSort(bench, "sort-domain", "--sort-domain", {"-t@", "-k2", "-k1,1"},
                        "sorted");
}

// vantor-cli drops a line that equals the line it wrote just before, ignoring ASCII
// letter case (so of the same length), in each sorted part and in each merge of two
// parts; sort -u drops exact repeats only. So the two outputs differ, and the check is
// that ours
//   - is in ascending byte order with no two neighbours equal ignoring case,
//   - holds only lines of sort -u's output,
//   - lacks only lines of sort -u's output that it holds in another letter case,
//   - is shorter than the input by the count of duplicates its report gives.
// Two streaming passes over the outputs: the lines of sort -u's output missing from
// ours are found by walking both, and their lower-case hashes then looked up while
// reading ours again.
bool BenchSortEmailDedup(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string name = "sort-email-dedup";
  Contest contest{
      .name = name,
      .oursArgs = {"-q", "--sort-email", "--remove-duplicates", "-o",
                   bench.Path(name + "-out-vantor.txt"), list},
      .oursOutput = bench.Path(name + "-out-vantor.txt"),
      .report = bench.Path(name + "-report-vantor.txt"),
      .peerLabel = "sort + sync",
      .peerArgv = {flags.sort, "-S", "20M", "-u", list, "-o", bench.Path(name + "-out-sort.txt")},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path(name + "-out-sort.txt"),
  };
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintTargets(result, "sort", kSortMaxRatio, kSortMaxRssMiB, {kSortTargetMiB}, flags.sizeMiB);

  // Walks ours and sort -u's output side by side up to the first thing wrong, if any.
  std::string problem;
  std::uint64_t oursLines = 0;
  std::vector<std::uint64_t> dropped;  // lower-case hashes of sort -u's lines not in ours
  {
    LineReader oursReader(contest.oursOutput);
    LineReader peerReader(contest.peerOutput);
    std::string previous;
    std::string_view o;
    std::string_view u;
    bool haveU = peerReader.Next(&u);
    while (oursReader.Next(&o)) {
      ++oursLines;
      if (!problem.empty()) continue;
      const std::string at = "line " + Thousands(oursLines) + " of vantor-cli's output ";
      if (oursLines > 1 && !(std::string_view(previous) < o)) {
        problem = at + "is not above the line before it: " + std::string(o);
        continue;
      }
      if (oursLines > 1 && EqualIgnoringCase(previous, o)) {
        problem = at + "equals the line before it ignoring case: " + std::string(o);
        continue;
      }
      while (haveU && u < o) {
        dropped.push_back(HashLine(u, /*ignoreCase=*/true));
        haveU = peerReader.Next(&u);
      }
      if (!haveU || u != o) {
        problem = at + "is not in sort -u's output: " + std::string(o);
        continue;
      }
      haveU = peerReader.Next(&u);
      previous.assign(o);
    }
    while (problem.empty() && haveU) {
      dropped.push_back(HashLine(u, /*ignoreCase=*/true));
      haveU = peerReader.Next(&u);
    }
  }
  if (problem.empty()) {
    // Each line of sort -u's output that ours lacks must be there in another case.
    std::sort(dropped.begin(), dropped.end());
    dropped.erase(std::unique(dropped.begin(), dropped.end()), dropped.end());
    std::vector<bool> covered(dropped.size());
    LineReader oursReader(contest.oursOutput);
    std::string_view o;
    while (oursReader.Next(&o)) {
      const std::uint64_t h = HashLine(o, /*ignoreCase=*/true);
      const auto it = std::lower_bound(dropped.begin(), dropped.end(), h);
      if (it != dropped.end() && *it == h) {
        covered[static_cast<std::size_t>(it - dropped.begin())] = true;
      }
    }
    const auto uncovered = std::count(covered.begin(), covered.end(), false);
    if (uncovered > 0) {
      problem = Thousands(static_cast<std::uint64_t>(uncovered)) +
                " line(s) of sort -u's output are not in vantor-cli's in any letter case";
    }
  }

  const std::uint64_t inputLines = CountFileLines(list);
  const std::uint64_t peerLines = CountFileLines(contest.peerOutput);
  const std::string duplicatesLine = ReportLine(contest.report, "duplicate");
  const std::optional<std::uint64_t> duplicates = LeadingNumber(duplicatesLine);
  if (problem.empty() && (!duplicates || inputLines != oursLines + *duplicates)) {
    problem = "the report does not account for the lines removed: " + duplicatesLine;
  }

  std::printf("              lines: %s in the list, sort -u kept %s, vantor-cli %s\n",
              Thousands(inputLines).c_str(), Thousands(peerLines).c_str(),
              Thousands(oursLines).c_str());
  if (problem.empty()) {
    std::printf("              output checked: sorted, a subset of sort -u's, every line of "
                "sort -u's present ignoring case; %s fewer lines than sort -u's (case variants "
                "that met in a part or a merge)\n",
                Thousands(peerLines - oursLines).c_str());
  } else {
    std::printf("              MISMATCH: %s\n", problem.c_str());
  }
  std::printf("              vantor-cli report: %s\n", duplicatesLine.c_str());
  std::fflush(stdout);
  return problem.empty();
}

// Randomize: at most 1.5 times shuf's wall time on the 100 MiB list, in bounded memory
// (shuf holds the whole list).
constexpr double kRandomizeMaxRatio = 1.5;
constexpr double kRandomizeMaxRssMiB = 100;
constexpr std::uint64_t kRandomizeTargetMiB = 100;

// The order of a shuffled list: how many lines stayed where the input has them, and how
// many stand above the line before them (half, in a random order).
struct ShuffleCheck {
  LinesSignature signature;
  std::uint64_t inPlace = 0;
  std::uint64_t ascending = 0;
};

ShuffleCheck CheckShuffle(const std::string& output, const std::string& input,
                          LinesSignature* inputSignature) {
  ShuffleCheck check;
  LineReader out(output);
  LineReader in(input);
  std::string previous;
  std::string_view o;
  std::string_view i;
  bool haveIn = true;
  while (out.Next(&o)) {
    if (check.signature.lines > 0 && std::string_view(previous) < o) ++check.ascending;
    check.signature.Add(o);
    if (haveIn) haveIn = in.Next(&i);
    if (haveIn) {
      if (inputSignature) inputSignature->Add(i);
      if (i == o) ++check.inPlace;
    }
    previous.assign(o);
  }
  if (inputSignature) {
    while (haveIn && (haveIn = in.Next(&i))) inputSignature->Add(i);
  }
  return check;
}

bool BenchRandomize(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  Contest contest{
      .name = "randomize",
      .oursArgs = {"-q", "--randomize", "--seed", "1", "-o",
                   bench.Path("randomize-out-vantor.txt"), list},
      .oursOutput = bench.Path("randomize-out-vantor.txt"),
      .report = bench.Path("randomize-report-vantor.txt"),
      .peerLabel = "shuf + sync",
      .peerArgv = {flags.shuf, list, "-o", bench.Path("randomize-out-shuf.txt")},
      .peerEnvironment = {},
      .peerOutput = bench.Path("randomize-out-shuf.txt"),
  };
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintTargets(result, "shuf", kRandomizeMaxRatio, kRandomizeMaxRssMiB, {kRandomizeTargetMiB},
               flags.sizeMiB);

  LinesSignature input;
  const ShuffleCheck ours = CheckShuffle(contest.oursOutput, list, &input);
  const ShuffleCheck peer = CheckShuffle(contest.peerOutput, list, nullptr);
  const double n = static_cast<double>(std::max<std::uint64_t>(input.lines, 2));
  const double inPlace = static_cast<double>(ours.inPlace) / n;
  const double ascending = static_cast<double>(ours.ascending) / (n - 1);
  const bool sameLines = ours.signature == input && peer.signature == input;
  // For a random order of thousands of lines, both measures are far inside these bounds.
  const bool shuffled = inPlace < 0.01 && ascending > 0.45 && ascending < 0.55;
  std::printf("              lines: %s in the list, vantor-cli wrote %s, shuf %s; %s\n",
              Thousands(input.lines).c_str(), Thousands(ours.signature.lines).c_str(),
              Thousands(peer.signature.lines).c_str(),
              sameLines ? "the same lines in each (order-independent checksum)"
                        : "MISMATCH: the lines differ (order-independent checksum)");
  std::printf("              order: %s lines left in their place by vantor-cli (shuf %s), "
              "%.2f%% above the line before (shuf %.2f%%)%s\n",
              Thousands(ours.inPlace).c_str(), Thousands(peer.inPlace).c_str(), 100 * ascending,
              100.0 * static_cast<double>(peer.ascending) / (n - 1),
              shuffled ? "" : "; MISMATCH: vantor-cli's output does not look shuffled");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "randomized").c_str());
  std::fflush(stdout);
  return sameLines && shuffled;
}

// ---------------------------------------------------------------------------------
// The copying actions: split, merge, include and extract. Each reads its input once (the
// extract twice: it counts the lines first) and writes about as much, so `cat` of the
// input into /dev/null is timed in the same rounds as the least such a command costs.

// At most the peer's wall time, under 100 MiB, on the 100 MiB and the 1 GiB lists.
constexpr double kCopyMaxRatio = 1.0;
constexpr double kCopyMaxRssMiB = 100;
const std::vector<std::uint64_t> kCopyTargetMiB{100, 1024};

void PrintCopyFigures(const ContestResult& result, const char* peerName, std::uint64_t sizeMiB,
                      const char* note = "") {
  PrintTargets(result, peerName, kCopyMaxRatio, kCopyMaxRssMiB, kCopyTargetMiB, sizeMiB);
  std::printf("              ratio vantor-cli / cat > null: %.2f%s\n", result.baselineRatio, note);
}

// Whether `files`, one after the other, hold the bytes of `whole`; when not, `*problem`
// says where they part.
bool ConcatenationEquals(const std::vector<std::string>& files, const std::string& whole,
                         std::string* problem) {
  std::ifstream w(whole, std::ios::binary);
  if (!w) throw std::runtime_error("cannot read " + whole);
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<char> a(kBlock);
  std::vector<char> b(kBlock);
  std::uint64_t offset = 0;
  for (const std::string& file : files) {
    std::ifstream f(file, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + file);
    for (;;) {
      f.read(a.data(), kBlock);
      const std::size_t n = static_cast<std::size_t>(f.gcount());
      if (n == 0) break;
      w.read(b.data(), static_cast<std::streamsize>(n));
      const std::size_t m = static_cast<std::size_t>(w.gcount());
      const std::size_t common = std::min(n, m);
      const std::size_t same =
          static_cast<std::size_t>(std::mismatch(a.data(), a.data() + common, b.data()).first -
                                   a.data());
      if (same < n) {
        *problem = same < m ? "the parts differ from the list at its byte " +
                                  Thousands(offset + same) + ", in " + file
                            : "the parts go on after the list's end, in " + file;
        return false;
      }
      offset += n;
    }
  }
  w.read(b.data(), 1);
  if (w.gcount() != 0) {
    *problem = "the parts end at byte " + Thousands(offset) + ", before the list does";
    return false;
  }
  return true;
}

// The parts vantor-cli wrote into `dir` for the output name out.txt: out1.txt,
// out2.txt and so on, in order. Anything else in the directory is a problem.
std::vector<std::string> NumberedParts(const std::string& dir, std::string* problem) {
  const std::vector<std::string> names = FileNamesIn(dir);
  std::vector<std::string> parts;
  std::vector<std::string> partNames;
  for (std::size_t n = 1;; ++n) {
    const std::string name = "out" + std::to_string(n) + ".txt";
    if (!std::binary_search(names.begin(), names.end(), name)) break;
    parts.push_back(dir + "/" + name);
    partNames.push_back(name);
  }
  std::sort(partNames.begin(), partNames.end());
  for (const std::string& name : names) {
    if (!std::binary_search(partNames.begin(), partNames.end(), name)) {
      *problem = "vantor-cli left " + name + " beside its " + Thousands(parts.size()) + " parts";
      break;
    }
  }
  return parts;
}

// A split into numbered parts against split(1) with the same cut: `oursMode` and
// `peerMode` are the options of each. Both cut at line ends, so the parts must be the
// same bytes, and ours, one after the other, the list. `maxLines` or `maxBytes` (0: no
// limit) is what a part may hold.
bool BenchSplit(Bench& bench, const std::string& name, const std::vector<std::string>& oursMode,
                const std::vector<std::string>& peerMode, std::uint64_t maxLines,
                std::uint64_t maxBytes) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string oursDir = bench.Path(name + "-out-vantor");
  const std::string peerDir = bench.Path(name + "-out-split");
  std::filesystem::create_directories(oursDir);
  std::filesystem::create_directories(peerDir);
  Contest contest{
      .name = name,
      .oursArgs = {"-q"},
      .oursOutput = oursDir,
      .report = bench.Path(name + "-report-vantor.txt"),
      .peerLabel = "split + sync",
      .peerArgv = {flags.split},
      .peerEnvironment = {},
      .peerOutput = peerDir,
      .baselineLabel = "cat > null",
      .baselineArgv = {flags.cat, list},
  };
  contest.oursArgs.insert(contest.oursArgs.end(), oursMode.begin(), oursMode.end());
  contest.oursArgs.insert(contest.oursArgs.end(), {"-o", oursDir + "/out.txt", list});
  contest.peerArgv.insert(contest.peerArgv.end(), peerMode.begin(), peerMode.end());
  // Numbered suffixes of four digits sort in the order split wrote them.
  contest.peerArgv.insert(contest.peerArgv.end(), {"-d", "-a", "4", list, peerDir + "/x"});
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintCopyFigures(result, "split", flags.sizeMiB);

  std::string problem;
  const std::vector<std::string> ours = NumberedParts(oursDir, &problem);
  std::vector<std::string> peer;
  for (const std::string& part : FileNamesIn(peerDir)) peer.push_back(peerDir + "/" + part);
  if (problem.empty() && ours.size() != peer.size()) {
    problem = "vantor-cli wrote " + Thousands(ours.size()) + " parts, split " +
              Thousands(peer.size());
  }
  if (problem.empty()) ConcatenationEquals(ours, list, &problem);
  std::uint64_t largestLines = 0;
  std::uint64_t largestBytes = 0;
  for (std::size_t i = 0; problem.empty() && i < ours.size(); ++i) {
    const FileComparison same = CompareFiles(ours[i], peer[i]);
    if (!same.identical) {
      problem = "part " + Thousands(i + 1) + " differs from split's at its line " +
                Thousands(same.firstDifferentLine);
    }
    largestLines = std::max(largestLines, same.linesA);
    largestBytes = std::max(largestBytes, FileSize(ours[i]));
  }
  if (problem.empty() && maxLines > 0 && largestLines > maxLines) {
    problem = "a part holds " + Thousands(largestLines) + " lines";
  }
  if (problem.empty() && maxBytes > 0 && largestBytes > maxBytes) {
    problem = "a part holds " + Thousands(largestBytes) + " bytes";
  }
  if (problem.empty()) {
    std::printf("              parts: %s from each, the same bytes part by part; ours, one after "
                "the other, are the list; the largest %s lines, %s bytes\n",
                Thousands(ours.size()).c_str(), Thousands(largestLines).c_str(),
                Thousands(largestBytes).c_str());
  } else {
    std::printf("              MISMATCH: %s\n", problem.c_str());
  }
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "splitted").c_str());
  std::fflush(stdout);
  return problem.empty();
}

constexpr std::uint64_t kSplitLines = 100000;
constexpr std::uint64_t kSplitKiB = 10240;

bool BenchSplitCount(Bench& bench) {
  return BenchSplit(bench, "split-count", {"--split-count", std::to_string(kSplitLines)},
                    {"-l", std::to_string(kSplitLines)}, kSplitLines, 0);
}

bool BenchSplitSize(Bench& bench) {
  return BenchSplit(bench, "split-size", {"--split-kb", std::to_string(kSplitKiB)},
                    {"-C", std::to_string(kSplitKiB) + "K"}, 0, kSplitKiB << 10);
}

// Three lists joined byte for byte, against cat. Each generated list ends in LF, so
// vantor-cli adds no line end and the outputs must be the same bytes.
bool BenchMerge(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::vector<std::string>& inputs = bench.MergeInputs();
  Contest contest{
      .name = "merge",
      .oursArgs = {"-q", "--merge", "-o", bench.Path("merge-out-vantor.txt")},
      .oursOutput = bench.Path("merge-out-vantor.txt"),
      .report = bench.Path("merge-report-vantor.txt"),
      .peerLabel = "cat + sync",
      .peerArgv = {flags.cat},
      .peerEnvironment = {},
      .peerOutput = bench.Path("merge-out-cat.txt"),
      .peerToStdout = true,
      .baselineLabel = "cat > null",
      .baselineArgv = {flags.cat},
  };
  for (auto* argv : {&contest.oursArgs, &contest.peerArgv, &contest.baselineArgv}) {
    argv->insert(argv->end(), inputs.begin(), inputs.end());
  }
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintCopyFigures(result, "cat", flags.sizeMiB, " (cat of the three lists)");
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, "cat");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "merged").c_str());
  std::fflush(stdout);
  return identical;
}

bool InPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "";
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon - start);
    if (dir.empty()) dir = ".";
    if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) return false;
    start = colon + 1;
  }
}

// The awk to compare with: --awk, else mawk (the fastest at a plain copy) when it is
// installed, else awk.
std::string AwkOf(const Flags& flags) {
  if (!flags.awk.empty()) return flags.awk;
  return InPath("mawk") ? "mawk" : "awk";
}

constexpr const char* kIncludeAddress = "x@y.z";
constexpr int kIncludeEvery = 1000;

// An address after every 1,000 lines (and after the last when the count is a multiple
// of 1,000), against awk doing the same.
bool BenchInclude(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string awk = AwkOf(flags);
  const std::string awkName = std::filesystem::path(awk).filename().string();
  Contest contest{
      .name = "include",
      .oursArgs = {"-q", "--include", kIncludeAddress, "--every", std::to_string(kIncludeEvery),
                   "-o", bench.Path("include-out-vantor.txt"), list},
      .oursOutput = bench.Path("include-out-vantor.txt"),
      .report = bench.Path("include-report-vantor.txt"),
      .peerLabel = awkName + " + sync",
      .peerArgv = {awk,
                   "{print} NR%" + std::to_string(kIncludeEvery) + "==0{print \"" +
                       kIncludeAddress + "\"}",
                   list},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path("include-out-awk.txt"),
      .peerToStdout = true,
      .baselineLabel = "cat > null",
      .baselineArgv = {flags.cat, list},
  };
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintCopyFigures(result, awkName.c_str(), flags.sizeMiB);
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, awkName.c_str());
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "included").c_str());
  std::fflush(stdout);
  return identical;
}

constexpr std::uint64_t kExtractLines = 100000;

// The lines of a sublist by their hash, and how often the list holds each, counted while
// the list is read: a line taken more often than the list holds it is unaccounted for.
class SublistCheck {
 public:
  explicit SublistCheck(const std::string& path) {
    LineReader reader(path);
    std::string_view line;
    while (reader.Next(&line)) {
      ++lines_;
      ++counts_[HashLine(line)].taken;
    }
  }
  // A line of the list; `firstHalf` when it stands in the list's first half.
  void See(std::uint64_t hash, bool firstHalf) {
    const auto it = counts_.find(hash);
    if (it == counts_.end()) return;
    ++it->second.inList;
    if (firstHalf) ++it->second.inFirstHalf;
  }
  std::uint64_t lines() const { return lines_; }
  // The lines of the sublist that the list does not account for.
  std::uint64_t Unaccounted() const {
    std::uint64_t n = 0;
    for (const auto& [hash, c] : counts_) n += c.taken - std::min(c.taken, c.inList);
    return n;
  }
  // The share of the sublist's lines, in percent, that stand in the list's first half:
  // a line the list holds k times, j of them in its first half, counts j/k.
  double FirstHalfPercent() const {
    double sum = 0;
    for (const auto& [hash, c] : counts_) {
      if (c.inList > 0) {
        sum += static_cast<double>(c.taken) * static_cast<double>(c.inFirstHalf) /
               static_cast<double>(c.inList);
      }
    }
    return 100.0 * sum / static_cast<double>(std::max<std::uint64_t>(lines_, 1));
  }

 private:
  struct Counts {
    std::uint64_t taken = 0;
    std::uint64_t inList = 0;
    std::uint64_t inFirstHalf = 0;
  };
  std::uint64_t lines_ = 0;
  std::unordered_map<std::uint64_t, Counts> counts_;
};

// A random sublist of 100,000 lines (half the list when it is shorter than 200,000),
// against shuf -n. The two take different lines, so each output is checked alone:
// the count, and that the list holds each of its lines at least as often (a line taken
// twice must stand twice in the list). The share of each from the list's first half
// (near 50% when taken evenly; a line the list repeats counts by where its copies
// stand) and whether ours keeps the list's order are printed too.
bool BenchExtract(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::uint64_t listLines = CountFileLines(list);
  const std::uint64_t wanted = std::min(kExtractLines, listLines / 2);
  Contest contest{
      .name = "extract",
      .oursArgs = {"-q", "--extract", std::to_string(wanted), "--seed", "1", "-o",
                   bench.Path("extract-out-vantor.txt"), list},
      .oursOutput = bench.Path("extract-out-vantor.txt"),
      .report = bench.Path("extract-report-vantor.txt"),
      .peerLabel = "shuf + sync",
      .peerArgv = {flags.shuf, "-n", std::to_string(wanted), list, "-o",
                   bench.Path("extract-out-shuf.txt")},
      .peerEnvironment = {},
      .peerOutput = bench.Path("extract-out-shuf.txt"),
      .baselineLabel = "cat > null",
      .baselineArgv = {flags.cat, list},
  };
  if (wanted != kExtractLines) {
    std::printf("extract     : the list is short; %s lines are taken\n", Thousands(wanted).c_str());
  }
  ContestResult result;
  if (!RunContest(bench, contest, &result)) return false;
  PrintCopyFigures(result, "shuf", flags.sizeMiB, " (vantor-cli reads the list twice, cat once)");

  SublistCheck ours(contest.oursOutput);
  SublistCheck peer(contest.peerOutput);
  // Walks the list and our output side by side: our lines, in order, as far as they
  // can be found in the list in order.
  LineReader listReader(list);
  LineReader oursReader(contest.oursOutput);
  std::string_view l;
  std::string_view o;
  bool haveO = oursReader.Next(&o);
  std::uint64_t at = 0;
  std::uint64_t inOrder = 0;
  while (listReader.Next(&l)) {
    const std::uint64_t h = HashLine(l);
    const bool firstHalf = at < listLines / 2;
    ours.See(h, firstHalf);
    peer.See(h, firstHalf);
    if (haveO && l == o) {
      ++inOrder;
      haveO = oursReader.Next(&o);
    }
    ++at;
  }
  const std::uint64_t oursLeft = ours.Unaccounted();
  const std::uint64_t peerLeft = peer.Unaccounted();
  const bool ok = ours.lines() == wanted && peer.lines() == wanted && oursLeft == 0 &&
                  peerLeft == 0;
  std::printf("              lines: %s wanted of the list's %s; vantor-cli wrote %s, shuf %s\n",
              Thousands(wanted).c_str(), Thousands(listLines).c_str(),
              Thousands(ours.lines()).c_str(), Thousands(peer.lines()).c_str());
  if (oursLeft == 0 && peerLeft == 0) {
    std::printf("              every output line is a line of the list, taken at most as often "
                "as the list holds it (64-bit line hashes), in both outputs\n");
  } else {
    std::printf("              MISMATCH: lines not accounted for by the list: %s of vantor-cli's, "
                "%s of shuf's\n",
                Thousands(oursLeft).c_str(), Thousands(peerLeft).c_str());
  }
  if (ours.lines() != wanted || peer.lines() != wanted) {
    std::printf("              MISMATCH: an output does not hold %s lines\n",
                Thousands(wanted).c_str());
  }
  std::printf("              spread: %.1f%% of vantor-cli's lines from the list's first half "
              "(shuf %.1f%%); vantor-cli's %s\n",
              ours.FirstHalfPercent(), peer.FirstHalfPercent(),
              inOrder == ours.lines() ? "stand in the list's order"
                                      : "are not in the list's order");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "extracted").c_str());
  std::fflush(stdout);
  return ok;
}

struct Benchmark {
  std::string_view name;
  bool (*run)(Bench&);
};

constexpr Benchmark kBenchmarks[] = {
    {"filter", BenchFilter},
    {"sort-email", BenchSortEmail},
    {"sort-email-dedup", BenchSortEmailDedup},
    {"sort-domain", BenchSortDomain},
    {"randomize", BenchRandomize},
    {"split-count", BenchSplitCount},
    {"split-size", BenchSplitSize},
    {"merge", BenchMerge},
    {"include", BenchInclude},
    {"extract", BenchExtract},
};

// ---------------------------------------------------------------------------------
// Command line

const char* kUsage =
    "Usage: vantor_bench [--benchmarks=NAME,...] [--size-mib=100] [--fragments=10000]\n"
    "                    [--seed=1] [--runs=3] [--workdir=DIR] [--reuse-files]\n"
    "                    [--cli=PATH] [--grep=PATH] [--sort=PATH] [--shuf=PATH]\n"
    "                    [--split=PATH] [--cat=PATH] [--awk=PATH]\n"
    "Benchmarks: filter, sort-email, sort-email-dedup, sort-domain, randomize,\n"
    "            split-count, split-size, merge, include, extract.\n"
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
    } else if (name == "--sort") {
      flags->sort = *value;
    } else if (name == "--shuf") {
      flags->shuf = *value;
    } else if (name == "--split") {
      flags->split = *value;
    } else if (name == "--cat") {
      flags->cat = *value;
    } else if (name == "--awk") {
      flags->awk = *value;
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
  std::printf("vantor_bench: cli %s, grep %s, sort %s, shuf %s, split %s, cat %s, awk %s, "
              "workdir %s\n",
              flags.cli.c_str(), flags.grep.c_str(), flags.sort.c_str(), flags.shuf.c_str(),
              flags.split.c_str(), flags.cat.c_str(), AwkOf(flags).c_str(), workdir.c_str());
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
