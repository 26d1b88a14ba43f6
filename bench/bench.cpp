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
//                       The last five also time a synced copy of their input in the same
//                       rounds, cat INPUT > OUT3; sync OUT3: the floor of a copy.
//                         clean             vantor-cli -q --clean -o OUT LIST against
//                                           LC_ALL=C grep -E ADDRESS-PATTERN LIST > OUT2;
//                                           sync OUT2, and the floor of a copy
//                         sort-email-foldcase
//                                           vantor-cli -q --sort-email --fold-case -o OUT
//                                           LIST against LC_ALL=C sort -S 20M -f LIST
//                                           -o OUT2; sync OUT2 (sort -f folds to capitals,
//                                           so the orders differ where [\]^_` meet letters)
//                         suppress          vantor-cli -q --suppress SUP -o OUT LIST against
//                                           LC_ALL=C grep -v -F -x -i -f SUP LIST > OUT2;
//                                           sync OUT2 (left out above --grep-max-lines
//                                           lines of SUP), and against a sort + join of
//                                           the folded addresses with their line numbers,
//                                           sorted back by number; sync OUT3
//                         dedupe            vantor-cli -q --dedupe -o OUT LIST against
//                                           awk '!seen[tolower($0)]++' LIST > OUT2; sync OUT2
//   --size-mib=N        size of the generated list in MiB (default: 100)
//   --fragments=N       lines of the generated filter file (default: 10000)
//   --suppress-lines=N  lines of the generated suppression file: half drawn from the
//                       list, some in another letter case, half addresses it does not
//                       hold (default: 100000)
//   --grep-max-lines=N  the most suppression lines grep is timed with: grep -F -i builds
//                       its automaton of them all in memory, gigabytes for millions of
//                       lines (default: 200000)
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
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/checks.h"
#include "bench/list_generator.h"
#include "bench/process.h"

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
  std::uint64_t suppressLines = 100000;
  std::uint64_t grepMaxLines = 200000;
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
            100.0 * stats.exactDuplicates / a, 100.0 * stats.caseDuplicates / a, Seconds(start));
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
      std::printf("filter file : %s (%s%s fragments)\n", filter_.c_str(), reused ? "reused, " : "",
                  Thousands(flags_.fragments).c_str());
      std::fflush(stdout);
    }
    return filter_;
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

// ---------------------------------------------------------------------------------
// The benchmarks. Each returns false when a command failed or the results disagree.

// The floor: a synced copy of the list (`cat LIST > copy-floor.txt; sync`), timed in the
// same rounds as the two commands, which no command that reads the list and writes as
// much can go below.
void AddFloor(Bench& bench, Contest& contest) {
  contest.baselineLabel = "floor";
  contest.baselineArgv = {bench.flags().cat, bench.List()};
  contest.baselineOutput = bench.Path("copy-floor.txt");
}

// Lists of at least this size are held to the marks in multiples of the floor.
constexpr std::uint64_t kFloorMarkMiB = 1024;

// Both commands' times as multiples of the floor's, best and medians, and with a `mark`
// (0: none) whether vantor-cli's median is within that many floors.
void PrintFloorFigures(const ContestResult& result, const char* peerName, double mark,
                       std::uint64_t sizeMiB, const char* note = "") {
  const double floorMedian = Median(result.baselineRuns);
  const double oursMedian = Median(result.oursRuns) / floorMedian;
  std::printf(
      "              times the floor (cat + sync%s): vantor-cli %.2f, %s %.2f; medians %.2f, "
      "%.2f\n",
      note, result.baselineRatio, peerName, result.peerBaselineRatio, oursMedian,
      Median(result.peerRuns) / floorMedian);
  if (mark <= 0) return;
  if (sizeMiB < kFloorMarkMiB) {
    std::printf("              (the mark of %.1f floors is set for lists of 1 GiB and more)\n",
                mark);
    return;
  }
  std::printf("              target: at most %.1f times the floor (medians): %s\n", mark,
              oursMedian <= mark ? "met" : "MISSED");
}

// The filter's mark in floors for the bench's fragment counts that have one.
double FilterFloorMark(std::uint64_t fragments) {
  if (fragments == 100) return 1.3;
  if (fragments == 10000) return 3.0;
  return 0;
}

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
  AddFloor(bench, contest);
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  const std::string& ours = contest.oursOutput;
  const std::string& peer = contest.peerOutput;

  std::printf("              ratio vantor-cli / grep: %.2f (target <= 0.50: %s)\n", result.ratio,
              result.ratio <= 0.5 ? "met" : "MISSED");
  std::printf("              peak RSS of vantor-cli: %.1f MiB (target < 100 MiB: %s)\n",
              result.oursPeakRssMiB, result.oursPeakRssMiB < 100 ? "met" : "MISSED");
  PrintFloorFigures(result, "grep", FilterFloorMark(flags.fragments), flags.sizeMiB);

  const FileComparison same = CompareFiles(ours, peer);
  const std::uint64_t inputLines = CountFileLines(list);
  const std::uint64_t removed = inputLines - std::min(inputLines, same.linesA);
  if (same.identical) {
    std::printf("              outputs identical: %s of %s lines kept, %s removed (%.2f%%)\n",
                Thousands(same.linesA).c_str(), Thousands(inputLines).c_str(),
                Thousands(removed).c_str(), 100.0 * static_cast<double>(removed) / inputLines);
  } else {
    std::printf(
        "              MISMATCH: vantor-cli kept %s lines, grep %s, of %s; first "
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
// ... and at most this many times the floor on the 1 GiB list and larger ones.
constexpr double kSortFloorMark = 3.0;
constexpr double kSortDomainFloorMark = 4.0;

// A sort whose output must be the same bytes as sort's: `oursMode` is --sort-email or
// --sort-domain, `sortKeys` the arguments that give sort the same order.
bool BenchPlainSort(Bench& bench, const std::string& name, const std::string& oursMode,
                    const std::vector<std::string>& sortKeys, std::string_view reportWord,
                    double floorMark) {
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
  AddFloor(bench, contest);
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintTargets(result, "sort", kSortMaxRatio, kSortMaxRssMiB, {kSortTargetMiB}, flags.sizeMiB);
  PrintFloorFigures(result, "sort", floorMark, flags.sizeMiB);
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, "sort");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, reportWord).c_str());
  std::fflush(stdout);
  return identical;
}

bool BenchSortEmail(Bench& bench) {
  return BenchPlainSort(bench, "sort-email", "--sort-email", {}, "sorted", kSortFloorMark);
}

// Every generated line holds exactly one '@', so sort's second field is the domain and
// its first the user name: the same order as vantor-cli's.
bool BenchSortDomain(Bench& bench) {
  return BenchPlainSort(bench, "sort-domain", "--sort-domain", {"-t@", "-k2", "-k1,1"}, "sorted",
                        kSortDomainFloorMark);
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
  AddFloor(bench, contest);
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintTargets(result, "sort", kSortMaxRatio, kSortMaxRssMiB, {kSortTargetMiB}, flags.sizeMiB);
  PrintFloorFigures(result, "sort", kSortFloorMark, flags.sizeMiB);

  std::uint64_t oursLines = 0;
  std::string problem = CheckDedupedSort(contest.oursOutput, contest.peerOutput, &oursLines);

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
    std::printf(
        "              output checked: sorted, a subset of sort -u's, every line of "
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
constexpr double kRandomizeFloorMark = 2.5;

bool BenchRandomize(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  Contest contest{
      .name = "randomize",
      .oursArgs = {"-q", "--randomize", "--seed", "1", "-o", bench.Path("randomize-out-vantor.txt"),
                   list},
      .oursOutput = bench.Path("randomize-out-vantor.txt"),
      .report = bench.Path("randomize-report-vantor.txt"),
      .peerLabel = "shuf + sync",
      .peerArgv = {flags.shuf, list, "-o", bench.Path("randomize-out-shuf.txt")},
      .peerEnvironment = {},
      .peerOutput = bench.Path("randomize-out-shuf.txt"),
  };
  AddFloor(bench, contest);
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintTargets(result, "shuf", kRandomizeMaxRatio, kRandomizeMaxRssMiB, {kRandomizeTargetMiB},
               flags.sizeMiB);
  PrintFloorFigures(result, "shuf", kRandomizeFloorMark, flags.sizeMiB);

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
  std::printf(
      "              order: %s lines left in their place by vantor-cli (shuf %s), "
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
// extract twice: it counts the lines first) and writes about as much, so a synced copy
// of the input (`cat` into a file on the same disk, then `sync` of it) is timed in the
// same rounds: the floor that no such command can go below.

// At most the peer's wall time, under 100 MiB, on the 100 MiB and the 1 GiB lists.
constexpr double kCopyMaxRatio = 1.0;
constexpr double kCopyMaxRssMiB = 100;
const std::vector<std::uint64_t> kCopyTargetMiB{100, 1024};
// The include and the extract in multiples of the floor.
constexpr double kIncludeFloorMark = 1.2;
constexpr double kExtractFloorMark = 1.0;

void PrintCopyFigures(const ContestResult& result, const char* peerName, std::uint64_t sizeMiB,
                      const char* note = "", double floorMark = 0) {
  PrintTargets(result, peerName, kCopyMaxRatio, kCopyMaxRssMiB, kCopyTargetMiB, sizeMiB);
  PrintFloorFigures(result, peerName, floorMark, sizeMiB, note);
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
      .baselineLabel = "floor",
      .baselineArgv = {flags.cat, list},
      .baselineOutput = bench.Path("copy-floor.txt"),
  };
  contest.oursArgs.insert(contest.oursArgs.end(), oursMode.begin(), oursMode.end());
  contest.oursArgs.insert(contest.oursArgs.end(), {"-o", oursDir + "/out.txt", list});
  contest.peerArgv.insert(contest.peerArgv.end(), peerMode.begin(), peerMode.end());
  // Numbered suffixes of four digits sort in the order split wrote them.
  contest.peerArgv.insert(contest.peerArgv.end(), {"-d", "-a", "4", list, peerDir + "/x"});
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintCopyFigures(result, "split", flags.sizeMiB);

  std::string problem;
  const std::vector<std::string> ours = NumberedParts(oursDir, &problem);
  std::vector<std::string> peer;
  for (const std::string& part : FileNamesIn(peerDir)) peer.push_back(peerDir + "/" + part);
  if (problem.empty() && ours.size() != peer.size()) {
    problem =
        "vantor-cli wrote " + Thousands(ours.size()) + " parts, split " + Thousands(peer.size());
  }
  if (problem.empty()) ConcatenationEquals(ours, list, &problem);
  std::uint64_t largestLines = 0;
  std::uint64_t largestBytes = 0;
  if (problem.empty()) {
    problem = CompareParts(ours, peer, maxLines, maxBytes, &largestLines, &largestBytes);
  }
  if (problem.empty()) {
    std::printf(
        "              parts: %s from each, the same bytes part by part; ours, one after "
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
      .baselineLabel = "floor",
      .baselineArgv = {flags.cat},
      .baselineOutput = bench.Path("copy-floor.txt"),
  };
  for (auto* argv : {&contest.oursArgs, &contest.peerArgv, &contest.baselineArgv}) {
    argv->insert(argv->end(), inputs.begin(), inputs.end());
  }
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintCopyFigures(result, "cat", flags.sizeMiB, " of the three lists");
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
      .baselineLabel = "floor",
      .baselineArgv = {flags.cat, list},
      .baselineOutput = bench.Path("copy-floor.txt"),
  };
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintCopyFigures(result, awkName.c_str(), flags.sizeMiB, "", kIncludeFloorMark);
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, awkName.c_str());
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "included").c_str());
  std::fflush(stdout);
  return identical;
}

constexpr std::uint64_t kExtractLines = 100000;

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
      .baselineLabel = "floor",
      .baselineArgv = {flags.cat, list},
      .baselineOutput = bench.Path("copy-floor.txt"),
  };
  if (wanted != kExtractLines) {
    std::printf("extract     : the list is short; %s lines are taken\n", Thousands(wanted).c_str());
  }
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintCopyFigures(result, "shuf", flags.sizeMiB, "; vantor-cli reads the list twice, cat once",
                   kExtractFloorMark);

  SublistCheck ours(contest.oursOutput);
  SublistCheck peer(contest.peerOutput);
  // Our lines, in order, as far as they can be found in the list in order.
  const std::uint64_t inOrder = SeeList(list, listLines, contest.oursOutput, &ours, &peer);
  const std::uint64_t oursLeft = ours.Unaccounted();
  const std::uint64_t peerLeft = peer.Unaccounted();
  const bool ok =
      ours.lines() == wanted && peer.lines() == wanted && oursLeft == 0 && peerLeft == 0;
  std::printf("              lines: %s wanted of the list's %s; vantor-cli wrote %s, shuf %s\n",
              Thousands(wanted).c_str(), Thousands(listLines).c_str(),
              Thousands(ours.lines()).c_str(), Thousands(peer.lines()).c_str());
  if (oursLeft == 0 && peerLeft == 0) {
    std::printf(
        "              every output line is a line of the list, taken at most as often "
        "as the list holds it (64-bit line hashes), in both outputs\n");
  } else {
    std::printf(
        "              MISMATCH: lines not accounted for by the list: %s of vantor-cli's, "
        "%s of shuf's\n",
        Thousands(oursLeft).c_str(), Thousands(peerLeft).c_str());
  }
  if (ours.lines() != wanted || peer.lines() != wanted) {
    std::printf("              MISMATCH: an output does not hold %s lines\n",
                Thousands(wanted).c_str());
  }
  std::printf(
      "              spread: %.1f%% of vantor-cli's lines from the list's first half "
      "(shuf %.1f%%); vantor-cli's %s\n",
      ours.FirstHalfPercent(), peer.FirstHalfPercent(),
      inOrder == ours.lines() ? "stand in the list's order" : "are not in the list's order");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "extracted").c_str());
  std::fflush(stdout);
  return ok;
}

// The clean of a generated list, whose lines are all addresses, against grep keeping the
// lines that match the rule's pattern (without its length limits): at most 1.5 times the
// floor of a synced copy.
constexpr double kCleanMaxFloorRatio = 1.5;

bool BenchClean(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string atom = "[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+";
  const std::string label = "[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?";
  Contest contest{
      .name = "clean",
      .oursArgs = {"-q", "--clean", "-o", bench.Path("clean-out-vantor.txt"), list},
      .oursOutput = bench.Path("clean-out-vantor.txt"),
      .report = bench.Path("clean-report-vantor.txt"),
      .peerLabel = "grep + sync",
      .peerArgv = {flags.grep, "-E",
                   "^" + atom + "(\\." + atom + ")*@" + label + "(\\." + label + ")+$", list},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path("clean-out-grep.txt"),
      .peerToStdout = true,
      .baselineLabel = "floor",
      .baselineArgv = {flags.cat, list},
      .baselineOutput = bench.Path("copy-floor.txt"),
  };
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintCopyFigures(result, "grep", flags.sizeMiB);
  const double floorRatio = Median(result.oursRuns) / Median(result.baselineRuns);
  std::printf("              target: at most %.1f times the floor: %s\n", kCleanMaxFloorRatio,
              floorRatio <= kCleanMaxFloorRatio ? "met" : "MISSED");
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, "grep");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "trimmed").c_str());
  std::fflush(stdout);
  return identical;
}

// ---------------------------------------------------------------------------------
// The whole-address actions: suppression and keep-order duplicate removal. Both keep the
// list's order and its lines as they were, so the outputs must be the same bytes.

// At most half of grep's and no more than sort + join's wall time; half of awk's.
constexpr double kSuppressMaxRatio = 0.5;
constexpr double kSuppressSortJoinMaxRatio = 1.0;
constexpr double kDedupeMaxRatio = 0.5;
constexpr double kWholeAddressMaxRssMiB = 100;
constexpr std::uint64_t kWholeAddressTargetMiB = 1024;

// Writes `lines` suppression lines to `path`: every k-th line of the list until half are
// taken, every third of them upper-cased, then addresses the list does not hold.
void WriteSuppression(const std::string& list, const std::string& path, std::uint64_t lines) {
  const std::uint64_t fromList = lines / 2;
  const std::uint64_t step = std::max<std::uint64_t>(CountFileLines(list) / fromList, 1);
  std::FILE* in = std::fopen(list.c_str(), "rb");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!in || !out) throw std::runtime_error("cannot write " + path);
  char* line = nullptr;
  std::size_t capacity = 0;
  std::uint64_t taken = 0;
  for (std::uint64_t n = 0; taken < fromList; ++n) {
    const ssize_t length = ::getline(&line, &capacity, in);
    if (length < 0) break;
    if (n % step != 0) continue;
    if (taken++ % 3 == 0) {
      for (ssize_t i = 0; i < length; ++i) line[i] = static_cast<char>(std::toupper(line[i]));
    }
    std::fwrite(line, 1, static_cast<std::size_t>(length), out);
  }
  std::free(line);
  for (std::uint64_t n = taken; n < lines; ++n) {
    std::fprintf(out, "nobody%llu@nowhere.example\n", static_cast<unsigned long long>(n));
  }
  std::fclose(in);
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path);
}

bool BenchSuppress(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string suppression = bench.Path("suppress-" + std::to_string(flags.suppressLines) +
                                             "-of-" + std::to_string(flags.sizeMiB) + "mib.txt");
  if (!(flags.reuseFiles && FileExists(suppression))) {
    WriteSuppression(list, suppression, flags.suppressLines);
  }
  std::printf("suppression : %s (%s lines)\n", suppression.c_str(),
              Thousands(flags.suppressLines).c_str());
  // The same result by the standard tools: each line numbered beside its folded form,
  // sorted by it, joined against the folded suppression file, sorted back by number.
  const std::string out = bench.Path("suppress-out-sortjoin.txt");
  const std::string sortJoin =
      "export LC_ALL=C; t=$(printf '\\t'); tr A-Z a-z < '" + suppression + "' | " + flags.sort +
      " -S 20M -u > '" + out + ".keys' && paste -d \"$t\" <(tr A-Z a-z < '" + list +
      "') <(nl -ba -nrz -w12 '" + list + "') | " + flags.sort +
      " -S 20M -t \"$t\" -k1,1 | join -t \"$t\" -v1 - '" + out + ".keys' | " + flags.sort +
      " -S 20M -t \"$t\" -k2,2 | cut -f3-; rm -f '" + out + ".keys'";
  const bool withGrep = flags.suppressLines <= flags.grepMaxLines;
  Contest contest{
      .name = "suppress",
      .oursArgs = {"-q", "--suppress", suppression, "-o", bench.Path("suppress-out-vantor.txt"),
                   list},
      .oursOutput = bench.Path("suppress-out-vantor.txt"),
      .report = bench.Path("suppress-report-vantor.txt"),
      .peerLabel = "sort + join + sync",
      .peerArgv = {"bash", "-c", sortJoin},
      .peerEnvironment = {},
      .peerOutput = out,
      .peerToStdout = true,
  };
  if (withGrep) {
    contest.baselineLabel = contest.peerLabel;
    contest.baselineArgv = contest.peerArgv;
    contest.baselineOutput = out;
    contest.peerLabel = "grep + sync";
    contest.peerArgv = {flags.grep, "-v", "-F", "-x", "-i", "-f", suppression, list};
    contest.peerEnvironment = {{"LC_ALL", "C"}};
    contest.peerOutput = bench.Path("suppress-out-grep.txt");
    contest.peerExitCodes = {0, 1};
  } else {
    std::printf("              grep left out: %s suppression lines, over --grep-max-lines\n",
                Thousands(flags.suppressLines).c_str());
  }
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  if (withGrep) {
    PrintTargets(result, "grep", kSuppressMaxRatio, kWholeAddressMaxRssMiB,
                 {kWholeAddressTargetMiB}, flags.sizeMiB);
    std::printf("              ratio vantor-cli / sort + join: %.2f (target <= %.2f: %s)\n",
                result.baselineRatio, kSuppressSortJoinMaxRatio,
                result.baselineRatio <= kSuppressSortJoinMaxRatio ? "met" : "MISSED");
  } else {
    PrintTargets(result, "sort + join", kSuppressSortJoinMaxRatio, kWholeAddressMaxRssMiB,
                 {kWholeAddressTargetMiB}, flags.sizeMiB);
  }
  bool identical = ReportIdentical(contest.oursOutput, out, "sort + join");
  if (withGrep)
    identical = ReportIdentical(contest.oursOutput, contest.peerOutput, "grep") && identical;
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "suppressed").c_str());
  std::fflush(stdout);
  return identical;
}

// The folded sort against sort -f, times and memory; the outputs are compared and the
// first difference shown, which is expected where [\]^_` meet letters.
bool BenchSortEmailFoldCase(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string name = "sort-email-foldcase";
  Contest contest{
      .name = name,
      .oursArgs = {"-q", "--sort-email", "--fold-case", "-o", bench.Path(name + "-out-vantor.txt"),
                   list},
      .oursOutput = bench.Path(name + "-out-vantor.txt"),
      .report = bench.Path(name + "-report-vantor.txt"),
      .peerLabel = "sort -f + sync",
      .peerArgv = {flags.sort, "-S", "20M", "-f", list, "-o", bench.Path(name + "-out-sort.txt")},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path(name + "-out-sort.txt"),
  };
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintTargets(result, "sort", kSortMaxRatio, kSortMaxRssMiB, {kSortTargetMiB}, flags.sizeMiB);
  ReportIdentical(contest.oursOutput, contest.peerOutput, "sort -f");
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "sorted").c_str());
  std::fflush(stdout);
  return true;
}

bool BenchDedupe(Bench& bench) {
  const Flags& flags = bench.flags();
  const std::string list = bench.List();
  const std::string awk = AwkOf(flags);
  const std::string awkName = std::filesystem::path(awk).filename().string();
  Contest contest{
      .name = "dedupe",
      .oursArgs = {"-q", "--dedupe", "-o", bench.Path("dedupe-out-vantor.txt"), list},
      .oursOutput = bench.Path("dedupe-out-vantor.txt"),
      .report = bench.Path("dedupe-report-vantor.txt"),
      .peerLabel = awkName + " + sync",
      .peerArgv = {awk, "!seen[tolower($0)]++", list},
      .peerEnvironment = {{"LC_ALL", "C"}},
      .peerOutput = bench.Path("dedupe-out-awk.txt"),
      .peerToStdout = true,
  };
  ContestResult result;
  if (!RunContest(contest, flags.cli, flags.runs, &result)) return false;
  PrintTargets(result, awkName.c_str(), kDedupeMaxRatio, kWholeAddressMaxRssMiB,
               {kWholeAddressTargetMiB}, flags.sizeMiB);
  const bool identical = ReportIdentical(contest.oursOutput, contest.peerOutput, awkName.c_str());
  std::printf("              vantor-cli report: %s\n",
              ReportLine(contest.report, "removed from").c_str());
  std::fflush(stdout);
  return identical;
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
    {"clean", BenchClean},
    {"sort-email-foldcase", BenchSortEmailFoldCase},
    {"suppress", BenchSuppress},
    {"dedupe", BenchDedupe},
};

// ---------------------------------------------------------------------------------
// Command line

const char* kUsage =
    "Usage: vantor_bench [--benchmarks=NAME,...] [--size-mib=100] [--fragments=10000]\n"
    "                    [--suppress-lines=100000] [--grep-max-lines=200000]\n"
    "                    [--seed=1] [--runs=3] [--workdir=DIR] [--reuse-files]\n"
    "                    [--cli=PATH] [--grep=PATH] [--sort=PATH] [--shuf=PATH]\n"
    "                    [--split=PATH] [--cat=PATH] [--awk=PATH]\n"
    "Benchmarks: filter, sort-email, sort-email-dedup, sort-domain, randomize,\n"
    "            split-count, split-size, merge, include, extract, clean,\n"
    "            sort-email-foldcase, suppress, dedupe.\n"
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
    } else if (name == "--suppress-lines") {
      if (!ReadNumber(*value, 2, &n)) return "--suppress-lines takes 2 or more";
      flags->suppressLines = n;
    } else if (name == "--grep-max-lines") {
      if (!ReadNumber(*value, 0, &n)) return "--grep-max-lines takes a number";
      flags->grepMaxLines = n;
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
  std::printf(
      "vantor_bench: cli %s, grep %s, sort %s, shuf %s, split %s, cat %s, awk %s, "
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
