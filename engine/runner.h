// ActionRunner executes the chosen actions of a ProcessingJob in their fixed order on
// the calling (worker) thread, and gives the actions what they share: the stop check,
// the progress texts, temporary file names, and the Env all files go through.
#ifndef VANTOR_ENGINE_RUNNER_H_
#define VANTOR_ENGINE_RUNNER_H_

#include <cstdint>
#include <string>

#include "engine/job.h"
#include "engine/platform/env.h"

namespace vantor {

class ActionRunner;
using Action = void (*)(ActionRunner& runner);

// The operations the runner calls, one per action. Tests put fakes in to watch the
// runner's order of messages around actions that fail or stop.
struct ActionSet {
  Action filter;
  Action sortByEntireEmail;
  Action sortByDomain;
  Action randomize;
  Action include;
  Action extract;
  Action split;
  Action merge;
};

// The actions of this build.
const ActionSet& DefaultActions();

class ActionRunner {
 public:
  // `job`, `sink` and `env` must outlive the runner.
  ActionRunner(ProcessingJob& job, MessageSink& sink, Env* env = Env::Default(),
               const ActionSet& actions = DefaultActions());

  // Runs the chosen actions, then posts WMU_DONE; or posts WMU_ERROR with the text of
  // the error that ended the run. Returns 0.
  int Run();

  // Chooses job().tempDirectory from the destination of the run. Called by the front
  // end before it starts the worker; false when no directory can be named.
  bool PrepareTempDirectory();

  // False once a stop was asked for. Actions check it after every chunk they read and
  // once before they commit.
  bool KeepRunning() const;

  void PostInfo(const std::string& text);
  void PostInfo2(const std::string& text);
  void PostActionStart(std::int32_t slot);
  void PostActionEnd(std::int32_t slot);

  // Creates a new empty file in tempDirectory and returns its name. Raises
  // "failed to get temp file name".
  std::string MakeTempFileName();

  // The file the current action commits into: a merge always writes its output.
  const std::string& Destination() const {
    return job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  }

  ProcessingJob& job() { return job_; }
  Env* env() { return env_; }

 private:
  void RunAction(Action action, std::int32_t slot);

  ProcessingJob& job_;
  MessageSink& sink_;
  Env* env_;
  const ActionSet& actions_;
};

// Formats like printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUNNER_H_
