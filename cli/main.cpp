// vantor-cli: runs the engine's job from the shell. See UsageText for the grammar.
#include <atomic>
#include <cstdio>
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
std::atomic<bool> g_stopped{false};
static_assert(std::atomic<vantor::RunPermission*>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

// A stop (SIGINT, SIGTERM, Ctrl+C) acts as the wizard's Cancel: the running action stops
// at its next check, deletes its temporary file and leaves its destination as it was.
void OnStop() {
  g_stopped = true;
  if (vantor::RunPermission* permission = g_permission.load()) permission->Reset();
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
  Env* env = Env::Default();
  std::optional<FileProblem> problem = CheckInputs(job, env);
  if (!problem) problem = CheckDestination(job, env);
  if (!problem) return std::string();
  const char* reason = "";
  switch (problem->kind) {
    case FileProblemKind::kNotRegular:
      reason = "not a regular file";
      break;
    case FileProblemKind::kReadOnly:
      reason = "file not writable";
      break;
    case FileProblemKind::kNoFolder:
      reason = "no such folder";
      break;
    case FileProblemKind::kFolderNotWritable:
      reason = "folder not writable";
      break;
  }
  return "'" + problem->name + "': " + reason;
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
  if (g_stopped) job.runPermission->Reset();

  cli::ProgressSink sink;
  ActionRunner runner(job, sink);
  if (!runner.PrepareTempDirectory()) {
    std::fprintf(stderr, "%s\n", kTempPathFailed);
    return 1;
  }
  const bool showProgress = !options.quiet && cli::IsTerminal(stderr);
  Env* env = Env::Default();
  job.startTick = env->TickCount();
  std::thread worker([&runner] { runner.Run(); });
  while (!sink.WaitForEnd(showProgress ? 200 : 1000)) {
    if (showProgress) sink.Draw(stderr, env->TickCount() - job.startTick);
  }
  worker.join();
  if (showProgress) sink.Erase(stderr);

  std::fputs(WithLineFeeds(job.resultsText).c_str(), stdout);
  if (sink.failed()) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n%s\n", kRunErrorHeading, sink.error().c_str());
    // The error's text says what failed; the next line says which file and why, so that
    // a user of a long chained job knows where to look.
    if (!job.errorDetail.empty()) std::fprintf(stderr, "vantor-cli: %s\n", job.errorDetail.c_str());
    return 1;
  }
  // A stop that came after the last action ended changes nothing: the result is there.
  if (g_stopped && !job.completed) return 130;
  std::printf("%s%s\n", kProcessingTaken, FormatDuration(job.elapsedMs).c_str());
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
  if (options.help) {
    std::fputs(vantor::cli::UsageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("vantor-cli " VANTOR_VERSION);
    return 0;
  }
  if (options.dryRun) {
    std::fputs(WithLineFeeds(vantor::BuildSummaryText(options.choices)).c_str(), stdout);
    return 0;
  }
  return Run(options);
}
