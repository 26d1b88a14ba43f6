#include "engine/run_context.h"

#include <algorithm>
#include <utility>

#include "engine/texts.h"

namespace vantor {

RunContext::RunContext(ProcessingJob& job, MessageSink& sink, Env* env, JobCommit& commit,
                       TempFiles& temps, std::string input, std::string destinationName,
                       std::optional<std::size_t> destination, int committingActions)
    : job_(job),
      sink_(sink),
      env_(env),
      commit_(commit),
      temps_(temps),
      input_(std::move(input)),
      destinationName_(std::move(destinationName)),
      destination_(destination),
      commitsLeft_(committingActions),
      progress_(job.progress) {
  // The list, the result, the folders and the commit's files are open beside the
  // buckets or parts.
  constexpr std::size_t kKeptOpen = 16;
  sizes_ = job.chunkSizes;
  const std::size_t left = env->FilesLeftToOpen();
  if (left != Env::kManyFiles) {
    sizes_.mergeFanIn =
        std::min(sizes_.mergeFanIn, std::max<std::size_t>(left, kKeptOpen + 2) - kKeptOpen);
  }
}

void RunContext::CommitResult(const std::string& tempName) {
  const bool last = commitsLeft_ <= 1;
  if (commitsLeft_ > 0) --commitsLeft_;
  const std::string previous = std::move(intermediate_);
  intermediate_.clear();
  if (!last || !destination_) {
    intermediate_ = tempName;
  } else {
    // The result stays a temporary file until the commit at the end of the job, so
    // that a stop or a failure in a later action (a split) leaves the destination alone.
    const auto [folder, leaf] = temps_.HandOver(tempName);
    commit_.SetResult(*destination_, *folder, leaf, tempName);
  }
  input_ = tempName;
  if (!previous.empty()) temps_.Delete(previous);
}

std::size_t RunContext::AddPart(const std::string& name) {
  return commit_.AddTarget(name, /*part=*/true, kOpenOutputFailed);
}

std::size_t RunContext::AddExtraResult(const std::string& name) {
  return commit_.AddTarget(name, /*part=*/true, kOpenOutputFailed, kRejectsOverwritesRead);
}

void RunContext::SetPartResult(std::size_t part, const std::string& tempName) {
  const auto [folder, leaf] = temps_.HandOver(tempName);
  commit_.SetResult(part, *folder, leaf, tempName);
}

bool CommitTempFile(RunContext& run, const std::string& tempName) {
  if (!run.KeepRunning()) {
    run.temps().Delete(tempName);
    return false;
  }
  run.PostInfo("Renaming temporary file into output file...");
  run.CommitResult(tempName);
  return true;
}

}  // namespace vantor
