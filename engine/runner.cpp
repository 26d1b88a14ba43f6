#include "engine/runner.h"

#include <new>
#include <stdexcept>

#include "engine/error.h"
#include "engine/extract.h"
#include "engine/file_checks.h"
#include "engine/filter.h"
#include "engine/include.h"
#include "engine/merge.h"
#include "engine/sort_by_parts.h"
#include "engine/split.h"
#include "engine/texts.h"

namespace vantor {

const ActionSet& DefaultActions() {
  static const ActionSet actions = {
      .filter = FilterList,
      .sortByEntireEmail = SortByEntireEmail,
      .sortByDomain = SortByDomain,
      .randomize = RandomizeList,
      .include = IncludeEmail,
      .extract = ExtractRandomSublist,
      .split = SplitList,
      .merge = MergeLists,
  };
  return actions;
}

ActionRunner::ActionRunner(ProcessingJob& job, MessageSink& sink, Env* env,
                           const ActionSet& actions)
    : job_(job), sink_(sink), env_(env), actions_(actions) {}

ActionRunner::~ActionRunner() { RemoveTemps(); }

int ActionRunner::Run() {
  const std::uint32_t startTick = env_->TickCount();
  job_.completed = false;
  // Whatever ends the run, the front end must hear WMU_DONE or WMU_ERROR: it waits for
  // one of them to leave its running state.
  const char* failure = nullptr;
  std::string otherFailure;
  job_.errorDetail.clear();
  TakeFailureNote();  // nothing noted before this run belongs to its errors
  try {
    RunActions();
    RemoveTemps();
    // Unsigned arithmetic gives the true duration across a wrap of the tick counter.
    job_.elapsedMs = env_->TickCount() - startTick;
    sink_.Post({WMU_DONE, 0, std::string()});
    return 0;
  } catch (const ActionError& error) {
    failure = error.text;
    job_.errorDetail = error.detail;
  } catch (const std::bad_alloc&) {
    failure = kAllocFailed;
  } catch (const std::exception& error) {
    otherFailure = error.what();
  }
  // Nothing of a failed run stays behind: a full disk is given its space back.
  RemoveTemps();
  job_.tempFileQueue.clear();
  job_.completed = false;
  sink_.Post({WMU_ERROR, 0, failure ? std::string(failure) : otherFailure});
  return 0;
}

void ActionRunner::RunActions() {
  destinationName_.clear();
  destinationName_ = Destination();
  destination_.clear();
  intermediate_.clear();
  inputs_.clear();
  if (job_.singleListMode) {
    inputs_.push_back(job_.inputFileName);
    if (job_.filterOn) inputs_.push_back(job_.filterFileName);
  } else {
    inputs_ = job_.mergeFiles;
  }
  inputsAtStart_.clear();
  for (const std::string& name : inputs_) {
    const FileFacts facts = env_->Inspect(name);
    if (facts.exists) inputsAtStart_.emplace_back(name, facts.id);
  }
  // A result that could not be put in place is refused before any work.
  if (auto problem = CheckDestination(job_, env_)) Raise(RunErrorText(problem->kind));
  if (job_.singleListMode && job_.splitOn) CheckSplitParts(*this);
  if (CommitsIntoDestination(job_)) destination_ = env_->RealPath(destinationName_);
  // Front ends choose the place before the worker starts; a caller that did not gets
  // the same choice.
  if (job_.tempDirectory.empty()) PrepareTempDirectory();

  commitsLeft_ = CommittingActions(job_);
  bool completed = true;
  auto run = [&](Action action, std::int32_t slot) {
    // An action that ran to its end has appended its report paragraph, which alone
    // ends in an empty line; a stopped one has appended its heading at most.
    const std::size_t before = job_.resultsText.size();
    RunAction(action, slot);
    const std::string& text = job_.resultsText;
    completed = completed && text.size() > before && text.ends_with("\r\n\r\n");
  };
  if (job_.singleListMode) {
    if (job_.filterOn) run(actions_.filter, job_.filterSlot);
    if (job_.sortByEmail) {
      run(actions_.sortByEntireEmail, job_.rearrangeSlot);
    } else if (job_.sortByDomain) {
      run(actions_.sortByDomain, job_.rearrangeSlot);
    } else if (job_.randomize) {
      run(actions_.randomize, job_.rearrangeSlot);
    }
    if (job_.includeOn) run(actions_.include, job_.includeSlot);
    if (job_.extractOn) run(actions_.extract, job_.extractSlot);
    if (job_.splitOn) run(actions_.split, job_.splitSlot);
  } else {
    run(actions_.merge, job_.mergeSlot);
  }
  job_.completed = completed;
}

void ActionRunner::RunAction(Action action, std::int32_t slot) {
  PostActionStart(slot);
  action(*this);
  PostActionEnd(slot);
}

bool ActionRunner::PrepareTempDirectory() {
  const std::string& base =
      job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  // The commit is a rename: the temporary files go where the destination really is,
  // links and ".." resolved. A destination that cannot be resolved is refused when
  // the run starts, with a text that says why.
  std::string real = env_->RealPath(base);
  if (real.empty()) real = env_->FullPath(base);
  if (real.empty()) return false;
  job_.tempDirectory = env_->TempDirectoryFor(real);
  return !job_.tempDirectory.empty();
}

bool ActionRunner::KeepRunning() const {
  return !job_.runPermission || job_.runPermission->IsSet();
}

void ActionRunner::PostInfo(const std::string& text) { sink_.Post({WMU_INFO, 0, text}); }

void ActionRunner::PostInfo2(const std::string& text) { sink_.Post({WMU_INFO2, 0, text}); }

void ActionRunner::PostActionStart(std::int32_t slot) {
  sink_.Post({WMU_ACTION_START, slot, std::string()});
}

void ActionRunner::PostActionEnd(std::int32_t slot) {
  sink_.Post({WMU_ACTION_END, slot, std::string()});
  PostInfo(std::string());
  PostInfo2(std::string());
}

std::unique_ptr<WritableFile> ActionRunner::CreateTempFile(std::string* name) {
  std::unique_ptr<WritableFile> file = env_->CreateTempFile(job_.tempDirectory, name);
  if (!file) RaiseFailed("failed to get temp file name");
  temps_.insert(*name);
  return file;
}

void ActionRunner::DeleteTemp(const std::string& name) {
  env_->Delete(name);
  temps_.erase(name);
}

void ActionRunner::RemoveTemps() {
  for (const std::string& name : temps_) env_->Delete(name);
  temps_.clear();
}

void ActionRunner::CommitResult(const std::string& tempName) {
  const bool last = commitsLeft_ <= 1;
  if (commitsLeft_ > 0) --commitsLeft_;
  const std::string previous = std::move(intermediate_);
  intermediate_.clear();
  if (!last) {
    // The destination changes once per job: until the last commit the list stays in
    // temporary files, so a stop or a failure later leaves the user's files alone.
    intermediate_ = tempName;
    job_.inputFileName = tempName;
  } else {
    if (destination_.empty()) destination_ = env_->RealPath(Destination());
    if (destination_.empty()) Raise(kRenameFailed);
    PutInPlace(tempName, destination_);
    // The next action reads what this one wrote; a merge job has no next action.
    if (job_.singleListMode) job_.inputFileName = Destination();
  }
  if (!previous.empty()) DeleteTemp(previous);
}

void ActionRunner::PutInPlace(const std::string& tempName, const std::string& target,
                              bool syncFolder) {
  // The target is never deleted first: rename replaces it in one step, so a failure at
  // any point leaves the user with the old file.
  const FileFacts facts = env_->Inspect(target);
  if (facts.exists && !facts.writable) Raise(kRenameFailed);
  std::uint32_t mode = facts.exists ? facts.mode : env_->NewFileMode();
  // A set-id program made of other bytes must not keep its bits under a new owner.
  // The owner goes first: changing it clears those bits.
  if (facts.exists && !env_->SetOwner(tempName, facts.owner, facts.group)) mode &= ~06000u;
  if (!env_->SetMode(tempName, mode)) RaiseFailed(kRenameFailed);
  if (!env_->Rename(tempName, target)) RaiseFailed(kRenameFailed);
  temps_.erase(tempName);
  // The file is in place whatever this says; it only makes the new name durable sooner.
  if (syncFolder) env_->SyncDirectory(DirectoryOf(target));
}

}  // namespace vantor
