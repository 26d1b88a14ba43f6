// ActionRunner sits on top of the engine: it checks that a job's results can be put in
// place, makes the run's state (the commit, the temporary files, the RunContext the
// actions work with), calls the chosen actions in their fixed order on the calling
// (worker) thread, owns the commit phase at the end, and tells the front end how the
// run ended.
#ifndef VANTOR_ENGINE_RUNNER_H_
#define VANTOR_ENGINE_RUNNER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/commit.h"
#include "engine/job.h"
#include "engine/platform/env.h"
#include "engine/run_context.h"

namespace vantor {

using Action = void (*)(RunContext& run);

// The operations the runner calls, one per action. Tests put fakes in to watch the
// runner's order of messages around actions that fail or stop.
struct ActionSet {
  Action clean;
  Action filter;
  Action suppress;
  Action sortByEntireEmail;
  Action sortByDomain;
  Action randomize;
  Action keepOrderDedupe;
  Action include;
  Action extract;
  Action split;
  Action merge;
};

// The actions of this build.
const ActionSet& DefaultActions();

// How a run ended.
enum class RunEnd {
  kCompleted,  // every action ran to its end and every result is in place
  kStopped,    // a stop came before the results were put in place: none was
  kFailed,     // an error ended the run (WMU_ERROR): no result was put in place
};

class ActionRunner {
 public:
  // `job`, `sink` and `env` must outlive the runner.
  ActionRunner(ProcessingJob& job, MessageSink& sink, Env* env = Env::Default(),
               const ActionSet& actions = DefaultActions());

  // Checks that the results can be put in place, runs the chosen actions, puts every
  // result in place in one commit (see JobCommit), then posts WMU_DONE; or posts
  // WMU_ERROR with the text of the error that ended the run. Until the commit every
  // list lives in temporary files: a stop or an error anywhere before it leaves the
  // user's files as they were and removes every temporary file of the run. A stop that
  // comes once the commit has begun waits for it to end. The job's choices are left as
  // they were; its results (resultsText, elapsedMs, duplicatesFound, completed,
  // errorDetail) are those of this run.
  RunEnd Run();

  // Chooses job().tempDirectory from the destination of the run. Called by the front
  // end before it starts the worker; false when no directory can be named.
  bool PrepareTempDirectory();

 private:
  // Runs the actions and the commit; false when a stop came first.
  bool RunActions();
  // The actions the job chose, in the order they run.
  struct Step {
    Action action;
    std::int32_t slot;
    std::uint64_t weight;  // the bytes it is expected to read and write
  };
  std::vector<Step> Steps() const;
  void RunAction(RunContext& run, Action action, std::int32_t slot);
  // The files of the user's the job reads, as they were named at the start of the run:
  // the list (or the lists to merge) and the filter file.
  std::vector<std::string> Inputs() const;
  // The files the job reads, as they were when the run began and as they are now.
  ReadFiles FilesRead(const std::vector<std::pair<std::string, FileId>>& atStart);

  ProcessingJob& job_;
  MessageSink& sink_;
  Env* env_;
  const ActionSet& actions_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUNNER_H_
