#include "engine/runner.h"

#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "engine/clean.h"
#include "engine/dedupe.h"
#include "engine/error.h"
#include "engine/extract.h"
#include "engine/file_checks.h"
#include "engine/filter.h"
#include "engine/include.h"
#include "engine/merge.h"
#include "engine/run_context.h"
#include "engine/sort_by_parts.h"
#include "engine/split.h"
#include "engine/suppress.h"
#include "engine/temp_files.h"
#include "engine/texts.h"

namespace vantor {

const ActionSet& DefaultActions() {
  static const ActionSet actions = {
      .clean = CleanList,
      .filter = FilterList,
      .suppress = SuppressList,
      .sortByEntireEmail = SortByEntireEmail,
      .sortByDomain = SortByDomain,
      .randomize = RandomizeList,
      .keepOrderDedupe = RemoveLaterRepeats,
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

RunEnd ActionRunner::Run() {
  const std::uint32_t startTick = env_->TickCount();
  job_.completed = false;
  job_.progress.Reset();
  // Whatever ends the run, the front end must hear WMU_DONE or WMU_ERROR: it waits for
  // one of them to leave its running state.
  const char* failure = nullptr;
  std::string otherFailure;
  job_.errorDetail.clear();
  TakeFailureNote();  // nothing noted before this run belongs to its errors
  try {
    // Every temporary file of the run is gone when RunActions returns or throws: a full
    // disk is given its space back before the front end hears of the end.
    const bool completed = RunActions();
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
  job_.completed = false;
  sink_.Post({WMU_ERROR, 0, failure ? std::string(failure) : otherFailure});
  return RunEnd::kFailed;
}

std::vector<std::string> ActionRunner::Inputs() const {
  if (!job_.singleListMode) return job_.mergeFiles;
  std::vector<std::string> inputs{job_.inputFileName};
  if (job_.filterOn) inputs.push_back(job_.filterFileName);
  if (job_.suppressOn) inputs.push_back(job_.suppressFileName);
  return inputs;
}

bool ActionRunner::RunActions() {
  const std::string destinationName =
      job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  std::vector<std::pair<std::string, FileId>> atStart;
  for (const std::string& name : Inputs()) {
    const FileFacts facts = env_->Inspect(name);
    if (facts.exists) atStart.emplace_back(name, facts.id);
  }
  // A result that could not be put in place is refused before any work.
  if (auto problem = CheckDestination(job_, env_)) {
    throw ActionError{RunErrorText(problem->kind), DescribeProblem(*problem)};
  }
  // Front ends choose the place before the worker starts; a caller that did not gets
  // the same choice.
  if (job_.tempDirectory.empty()) PrepareTempDirectory();

  // Declared in this order, so that the temporary files go before the folders the
  // commit holds them in.
  JobCommit commit(env_);
  TempFiles temps(env_, commit, job_.tempDirectory);
  // No front end lets a job without a destination through; tests of the runner alone
  // make such jobs, whose actions put nothing in place.
  std::optional<std::size_t> destination;
  if (CommitsIntoDestination(job_) && !destinationName.empty()) {
    destination = commit.AddTarget(destinationName, /*part=*/false, kOpenOutputFailed);
    temps.SetResultFolder(&commit.FolderOf(*destination));
  }
  RunContext run(job_, sink_, env_, commit, temps,
                 job_.singleListMode ? job_.inputFileName : std::string(), destinationName,
                 destination, CommittingActions(job_));
  const std::vector<Step> steps = Steps();
  std::vector<std::uint64_t> weights;
  for (const Step& step : steps) weights.push_back(step.weight);
  run.progress().Plan(weights);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    run.progress().StartAction(i);
    RunAction(run, steps[i].action, steps[i].slot);
  }
  // An action that was stopped returned early; one stopped at its very end has handed
  // its result over all the same. Either way nothing is put in place.
  if (!run.KeepRunning()) return false;
  // From here on a stop waits: the files change together or not at all.
  commit.Commit(FilesRead(atStart));
  run.progress().Complete();
  return true;
}

std::vector<ActionRunner::Step> ActionRunner::Steps() const {
  // Each action's input is the list as the user gave it: what the actions before it
  // take away is not known before they ran. Most actions read their input once and
  // write about as much.
  std::uint64_t list = 0;
  if (job_.singleListMode) {
    list = env_->Inspect(job_.inputFileName).size;
  } else {
    for (const std::string& name : job_.mergeFiles) list += env_->Inspect(name).size;
  }
  const std::uint64_t once = 2 * list;
  std::vector<Step> steps;
  if (!job_.singleListMode) {
    steps.push_back({actions_.merge, job_.mergeSlot, once});
    return steps;
  }
  if (job_.cleanOn) steps.push_back({actions_.clean, job_.cleanSlot, once});
  if (job_.filterOn) {
    steps.push_back(
        {actions_.filter, job_.filterSlot, once + env_->Inspect(job_.filterFileName).size});
  }
  // Suppression and the keep-order duplicate removal spread the list over parts and
  // gather it again: two passes, and the suppression list read once.
  if (job_.suppressOn) {
    steps.push_back({actions_.suppress, job_.suppressSlot,
                     2 * once + env_->Inspect(job_.suppressFileName).size});
  }
  const std::uint64_t rearranging =
      once * RearrangePasses(list, job_.chunkSizes, RearrangesInBuckets(job_));
  if (job_.sortByEmail) {
    steps.push_back({actions_.sortByEntireEmail, job_.rearrangeSlot, rearranging});
  } else if (job_.sortByDomain) {
    steps.push_back({actions_.sortByDomain, job_.rearrangeSlot, rearranging});
  } else if (job_.randomize) {
    steps.push_back({actions_.randomize, job_.rearrangeSlot, rearranging});
  } else if (job_.keepOrderDedupe) {
    steps.push_back({actions_.keepOrderDedupe, job_.rearrangeSlot, 2 * once});
  }
  if (job_.includeOn) steps.push_back({actions_.include, job_.includeSlot, once});
  if (job_.extractOn) steps.push_back({actions_.extract, job_.extractSlot, once});
  if (job_.splitOn) steps.push_back({actions_.split, job_.splitSlot, once});
  return steps;
}

ReadFiles ActionRunner::FilesRead(const std::vector<std::pair<std::string, FileId>>& atStart) {
  ReadFiles reads;
  auto isFilter = [&](const std::string& name) {
    return job_.singleListMode && job_.filterOn && name == job_.filterFileName;
  };
  auto isSuppression = [&](const std::string& name) {
    return job_.singleListMode && job_.suppressOn && name == job_.suppressFileName &&
           !isFilter(name);
  };
  for (const auto& [name, id] : atStart) {
    reads.push_back({name, id, isFilter(name), isSuppression(name)});
  }
  for (const std::string& name : Inputs()) {
    const FileFacts facts = env_->Inspect(name);
    if (facts.exists) reads.push_back({name, facts.id, isFilter(name), isSuppression(name)});
  }
  return reads;
}

void ActionRunner::RunAction(RunContext& run, Action action, std::int32_t slot) {
  sink_.Post({WMU_ACTION_START, slot, std::string()});
  action(run);
  sink_.Post({WMU_ACTION_END, slot, std::string()});
  run.PostInfo(std::string());
  run.PostInfo2(std::string());
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

}  // namespace vantor
