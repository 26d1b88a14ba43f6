#include "engine/runner.h"

#include <new>
#include <stdexcept>
#include <utility>

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
    : job_(job),
      sink_(sink),
      env_(env),
      actions_(actions),
      commit_(std::make_unique<JobCommit>(env)) {}

ActionRunner::~ActionRunner() { RemoveTemps(); }

RunEnd ActionRunner::Run() {
  const std::uint32_t startTick = env_->TickCount();
  job_.completed = false;
  // Whatever ends the run, the front end must hear WMU_DONE or WMU_ERROR: it waits for
  // one of them to leave its running state.
  const char* failure = nullptr;
  std::string otherFailure;
  job_.errorDetail.clear();
  TakeFailureNote();  // nothing noted before this run belongs to its errors
  try {
    const bool completed = RunActions();
    RemoveTemps();
    job_.completed = completed;
    // Unsigned arithmetic gives the true duration across a wrap of the tick counter.
    job_.elapsedMs = env_->TickCount() - startTick;
    sink_.Post({WMU_DONE, 0, std::string()});
    return completed ? RunEnd::kCompleted : RunEnd::kStopped;
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
  return RunEnd::kFailed;
}

bool ActionRunner::RunActions() {
  destinationName_ = Destination();
  intermediate_.clear();
  RemoveTemps();
  tempFolder_ = nullptr;
  hasDestination_ = false;
  commit_ = std::make_unique<JobCommit>(env_);
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
  if (auto problem = CheckDestination(job_, env_)) {
    throw ActionError{RunErrorText(problem->kind), DescribeProblem(*problem)};
  }
  // Front ends choose the place before the worker starts; a caller that did not gets
  // the same choice.
  if (job_.tempDirectory.empty()) PrepareTempDirectory();
  // No front end lets a job without a destination through; tests of the runner alone
  // make such jobs, whose actions put nothing in place.
  if (CommitsIntoDestination(job_) && !destinationName_.empty()) {
    destination_ = commit_->AddTarget(destinationName_, /*part=*/false, kOpenOutputFailed);
    hasDestination_ = true;
  }

  commitsLeft_ = CommittingActions(job_);
  if (job_.singleListMode) {
    if (job_.filterOn) RunAction(actions_.filter, job_.filterSlot);
    if (job_.sortByEmail) {
      RunAction(actions_.sortByEntireEmail, job_.rearrangeSlot);
    } else if (job_.sortByDomain) {
      RunAction(actions_.sortByDomain, job_.rearrangeSlot);
    } else if (job_.randomize) {
      RunAction(actions_.randomize, job_.rearrangeSlot);
    }
    if (job_.includeOn) RunAction(actions_.include, job_.includeSlot);
    if (job_.extractOn) RunAction(actions_.extract, job_.extractSlot);
    if (job_.splitOn) RunAction(actions_.split, job_.splitSlot);
  } else {
    RunAction(actions_.merge, job_.mergeSlot);
  }
  // An action that was stopped returned early; one stopped at its very end has handed
  // its result over all the same. Either way nothing is put in place.
  if (!KeepRunning()) return false;
  // From here on a stop waits: the files change together or not at all.
  commit_->Commit(FilesRead());
  // The chain ends at the file the job wrote.
  if (hasDestination_ && job_.singleListMode) job_.inputFileName = destinationName_;
  return true;
}

ReadFiles ActionRunner::FilesRead() {
  ReadFiles reads;
  auto isFilter = [&](const std::string& name) {
    return job_.singleListMode && job_.filterOn && name == job_.filterFileName;
  };
  for (const auto& [name, id] : inputsAtStart_) reads.push_back({name, id, isFilter(name)});
  for (const std::string& name : inputs_) {
    const FileFacts facts = env_->Inspect(name);
    if (facts.exists) reads.push_back({name, facts.id, isFilter(name)});
  }
  return reads;
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
  // links and ".." resolved. A destination that cannot be placed is refused when the
  // run starts, with a text that says why.
  const Placement place = env_->Place(base);
  std::string real = env_->FullPath(base);
  if (place.refusal == Placement::Refusal::kNone) {
    real = (place.folder.ends_with('/') ? place.folder : place.folder + "/") + place.name;
  }
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

Folder* ActionRunner::TempFolder() {
  if (!tempFolder_) tempFolder_ = commit_->OpenFolder(job_.tempDirectory);
  if (!tempFolder_) RaiseFailed("failed to get temp file name");
  return tempFolder_;
}

Folder* ActionRunner::ResultFolder() {
  return hasDestination_ ? &commit_->FolderOf(destination_) : TempFolder();
}

std::unique_ptr<WritableFile> ActionRunner::CreateTempFile(std::string* name, Folder* folder) {
  Folder* where = folder ? folder : TempFolder();
  std::unique_ptr<WritableFile> file = env_->CreateTempFile(*where, name);
  if (!file) RaiseFailed("failed to get temp file name");
  temps_[*name] = {where, name->substr(name->find_last_of('/') + 1)};
  return file;
}

void ActionRunner::DeleteTemp(const std::string& name) {
  auto it = temps_.find(name);
  if (it == temps_.end()) return;
  env_->DeleteIn(*it->second.first, it->second.second);
  temps_.erase(it);
}

bool ActionRunner::SyncTemp(const std::string& name) {
  auto it = temps_.find(name);
  if (it == temps_.end()) {
    NoteFailure(FailureNote("cannot sync", name, "not a temporary file of this run"));
    return false;
  }
  return env_->SyncFileIn(*it->second.first, it->second.second);
}

void ActionRunner::RemoveTemps() {
  for (const auto& [name, place] : temps_) env_->DeleteIn(*place.first, place.second);
  temps_.clear();
  if (commit_) commit_->Discard();
}

void ActionRunner::CommitResult(const std::string& tempName) {
  const bool last = commitsLeft_ <= 1;
  if (commitsLeft_ > 0) --commitsLeft_;
  const std::string previous = std::move(intermediate_);
  intermediate_.clear();
  if (!last || !hasDestination_) {
    intermediate_ = tempName;
  } else {
    // The result stays a temporary file until the commit at the end of the job, so
    // that a stop or a failure in a later action (a split) leaves the destination alone.
    auto it = temps_.find(tempName);
    if (it == temps_.end()) Raise(kRenameFailed);
    commit_->SetResult(destination_, *it->second.first, it->second.second, tempName);
    temps_.erase(it);
  }
  job_.inputFileName = tempName;
  if (!previous.empty()) DeleteTemp(previous);
}

std::size_t ActionRunner::AddPart(const std::string& name) {
  return commit_->AddTarget(name, /*part=*/true, kOpenOutputFailed);
}

void ActionRunner::SetPartResult(std::size_t part, const std::string& tempName) {
  auto it = temps_.find(tempName);
  if (it == temps_.end()) Raise(kRenameFailed);
  commit_->SetResult(part, *it->second.first, it->second.second, tempName);
  temps_.erase(it);
}

}  // namespace vantor
