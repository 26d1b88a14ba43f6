// vantor-cli: runs the engine's job from the shell. See UsageText for the grammar.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/console.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "engine/choices.h"
#include "engine/duration.h"
#include "engine/file_checks.h"
#include "engine/runner.h"
#include "engine/summary.h"
#include "engine/texts.h"
#include "engine/version.h"

namespace {

constexpr char kTryHelp[] = "Try 'vantor-cli --help' for more information.\n";

std::atomic<vantor::RunPermission*> g_permission{nullptr};
// The signal of the first stop, which a stopped run's exit status tells; 0 until then.
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<vantor::RunPermission*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);

// A stop (SIGINT, SIGTERM, SIGHUP, Ctrl+C) acts as the wizard's Cancel: the run stops
// at its next check, deletes its temporary files and leaves every file as it was.
void OnStop(int signal) {
  int none = 0;
  g_stopSignal.compare_exchange_strong(none, signal);
  if (vantor::RunPermission* permission = g_permission.load()) permission->Reset();
}

// Why the first write to standard output failed (an errno value); 0 while none has.
int g_outError = 0;

void Print(const std::string& text) {
  errno = 0;
  if (std::fputs(text.c_str(), stdout) == EOF && g_outError == 0) g_outError = errno ? errno : EIO;
}

// Flushes standard output. A reader that went away or a full disk must not lose what
// was to be printed without a word: that is told on standard error, and false returned.
bool Delivered(const char* what) {
  errno = 0;
  if (std::fflush(stdout) == EOF && g_outError == 0) g_outError = errno ? errno : EIO;
  if (g_outError == 0 && std::ferror(stdout)) g_outError = EIO;
  if (g_outError == 0) return true;
  std::fprintf(stderr, "vantor-cli: cannot write %s: %s\n", what, std::strerror(g_outError));
  return false;
}

// The results text with LF line ends.
std::string WithLineFeeds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Why the job cannot use one of its files, named as the user gave it; empty when it
// can. Such a job is refused before anything is touched, as a usage error is.
std::string FileRefusal(const vantor::ProcessingJob& job) {
  using namespace vantor;
  // Opening the files is left to the run, which says why it failed in its own words.
  const std::optional<FileProblem> problem = CheckJobFiles(job, Env::Default(), InputCheck::kKind);
  return problem ? DescribeProblem(*problem) : std::string();
}

int Run(const vantor::cli::CliOptions& options) {
  using namespace vantor;
  ProcessingJob job;
  BuildJob(options.choices, &job);
  if (const std::string refusal = FileRefusal(job); !refusal.empty()) {
    std::fprintf(stderr, "vantor-cli: %s\n", refusal.c_str());
    return 2;
  }
  job.random.Seed(options.seedGiven ? options.seed
                                    : static_cast<std::uint32_t>(std::time(nullptr)));
  job.runPermission = std::make_unique<RunPermission>();
  g_permission = job.runPermission.get();
  // A stop may come until the program has exited, after the job is gone.
  struct ForgetPermission {
    ~ForgetPermission() { g_permission = nullptr; }
  } forgetPermission;
  // A stop that came while the job was being prepared stops it at its first check.
  if (g_stopSignal != 0) job.runPermission->Reset();

  cli::ProgressSink sink;
  ActionRunner runner(job, sink);
  if (!runner.PrepareTempDirectory()) {
    std::fprintf(stderr, "%s\n", kTempPathFailed);
    return 1;
  }
  const bool showProgress = !options.quiet && cli::IsTerminal(stderr);
  Env* env = Env::Default();
  const std::uint32_t startTick = env->TickCount();
  RunEnd outcome = RunEnd::kFailed;
  std::thread worker([&runner, &outcome] { outcome = runner.Run(); });
  while (!sink.WaitForEnd(showProgress ? 200 : 1000)) {
    if (showProgress) sink.Draw(stderr, env->TickCount() - startTick, job.progress.Get());
  }
  worker.join();
  cli::RunEnded();
  if (showProgress) sink.Erase(stderr);

  Print(WithLineFeeds(job.resultsText));
  if (outcome == RunEnd::kCompleted) {
    Print(kProcessingTaken + FormatDuration(job.elapsedMs) + "\n");
  }
  // A report that did not get out is told, but the status stays the run's: a job whose
  // results are in place is done, and a script must not redo it.
  Delivered("the report");
  if (outcome == RunEnd::kFailed) {
    std::fprintf(stderr, "%s\n%s\n", kRunErrorHeading, sink.error().c_str());
    // The error's text says what failed; the next line says which file and why, so that
    // a user of a long chained job knows where to look.
    if (!job.errorDetail.empty()) std::fprintf(stderr, "vantor-cli: %s\n", job.errorDetail.c_str());
    return 1;
  }
  // As a shell reports a program the signal killed, though this one cleaned up first.
  // A stop that came once the results were being put in place changes nothing: they
  // are there, and the outcome says so.
  if (outcome == RunEnd::kStopped) return 128 + g_stopSignal.load();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vantor::cli::InstallStopHandler(OnStop);
  std::vector<std::string> args = vantor::cli::Arguments(argc, argv);
  vantor::cli::CliOptions options;
  // As the standard tools do: no argument shows the usage lines, a wrong one its reason,
  // and both point to --help.
  if (args.empty()) {
    std::fputs(vantor::cli::UsageLines().c_str(), stderr);
    std::fputs(kTryHelp, stderr);
    return 2;
  }
  std::string problem = vantor::cli::ParseOptions(args, &options);
  if (!problem.empty()) {
    std::fprintf(stderr, "vantor-cli: %s\n%s", problem.c_str(), kTryHelp);
    return 2;
  }
  // What these print is all they do: a lost text is a failure.
  if (options.help) {
    Print(vantor::cli::UsageText());
    return Delivered("the usage text") ? 0 : 1;
  }
  if (options.version) {
    Print("vantor-cli " VANTOR_VERSION "\n");
    return Delivered("the version") ? 0 : 1;
  }
  if (options.dryRun) {
    Print(WithLineFeeds(vantor::BuildSummaryText(options.choices)));
    return Delivered("the summary") ? 0 : 1;
  }
  return Run(options);
}
