// ActionRunner executes the chosen actions of a ProcessingJob in their fixed order on
// the calling (worker) thread, and gives the actions what they share: the stop check,
// the progress texts, temporary file names, and the Env all files go through.
#ifndef VANTOR_ENGINE_RUNNER_H_
#define VANTOR_ENGINE_RUNNER_H_

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

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
  // Removes the temporary files the run still holds.
  ~ActionRunner();

  // Checks that the result can be put in place, runs the chosen actions, then posts
  // WMU_DONE; or posts WMU_ERROR with the text of the error that ended the run. Between
  // actions the list lives in temporary files: the destination changes once, when the
  // last action that commits ends, and a stop or an error anywhere leaves it and the
  // input as they were and removes every temporary file of the run. Returns 0.
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

  // Creates a new temporary file in tempDirectory, open for writing, and stores its
  // name. The run removes it at its end unless it was put in place. Raises "failed to
  // get temp file name".
  std::unique_ptr<WritableFile> CreateTempFile(std::string* name);
  // Removes a temporary file of the run now.
  void DeleteTemp(const std::string& name);

  // The finished temporary file `tempName` becomes the current list: it is put in place
  // of the destination when this is the job's last commit, else it is kept as the next
  // action's input. The list it replaces, if a temporary one, is removed. Raises
  // "Failed to rename file".
  void CommitResult(const std::string& tempName);
  // Whether the next commit puts the result in place of the destination. A list kept
  // only for the next action need not be synced to the disk.
  bool CommitIsFinal() const { return commitsLeft_ <= 1; }
  // Puts the temporary file `tempName` in place of the file at the real path `target`:
  // the result keeps the replaced file's owner, group and permission bits (set-id bits
  // only when the owner is kept), a new file gets 0666 less the umask. With
  // `syncFolder`, the rename is made durable before returning. Raises "Failed to
  // rename file"; the temporary file is then left to the end of the run.
  void PutInPlace(const std::string& tempName, const std::string& target, bool syncFolder = true);

  // The file the current action commits into, as the user named it: a merge always
  // writes its output.
  const std::string& Destination() const {
    if (!destinationName_.empty()) return destinationName_;
    return job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  }
  // The files of the user's the job reads, as they were named at the start of the run:
  // the list (or the lists to merge) and the filter file.
  const std::vector<std::string>& Inputs() const { return inputs_; }
  // What those files were when the run began (the files that existed then), in the
  // same order: a later commit may put another file under the same name.
  const std::vector<std::pair<std::string, FileId>>& InputsAtStart() const {
    return inputsAtStart_;
  }

  ProcessingJob& job() { return job_; }
  Env* env() { return env_; }

 private:
  void RunActions();
  void RunAction(Action action, std::int32_t slot);
  void RemoveTemps();

  ProcessingJob& job_;
  MessageSink& sink_;
  Env* env_;
  const ActionSet& actions_;
  std::set<std::string> temps_;  // made by this run, not yet put in place or removed
  std::string destinationName_;  // the destination as named when the run began
  std::string destination_;      // its real path, once resolved
  int commitsLeft_ = 0;          // actions still to commit, counting the running one
  std::string intermediate_;     // the temporary file holding the current list
  std::vector<std::string> inputs_;
  std::vector<std::pair<std::string, FileId>> inputsAtStart_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUNNER_H_
