// ActionRunner executes the chosen actions of a ProcessingJob in their fixed order on
// the calling (worker) thread, and gives the actions what they share: the stop check,
// the progress texts, temporary file names, and the Env all files go through.
#ifndef VANTOR_ENGINE_RUNNER_H_
#define VANTOR_ENGINE_RUNNER_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/commit.h"
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
  // Removes the temporary files the run still holds.
  ~ActionRunner();

  // Checks that the results can be put in place, runs the chosen actions, puts every
  // result in place in one commit (see JobCommit), then posts WMU_DONE; or posts
  // WMU_ERROR with the text of the error that ended the run. Until the commit every
  // list lives in temporary files: a stop or an error anywhere before it leaves the
  // user's files as they were and removes every temporary file of the run. A stop that
  // comes once the commit has begun waits for it to end.
  RunEnd Run();

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

  // Creates a new temporary file, open for writing, and stores its name: in `folder`,
  // or in tempDirectory. The run removes it at its end unless it was put in place.
  // Raises "failed to get temp file name".
  std::unique_ptr<WritableFile> CreateTempFile(std::string* name, Folder* folder = nullptr);
  // Where the job's result is made: beside the destination, so that putting it in place
  // is a rename within its folder.
  Folder* ResultFolder();
  // Removes a temporary file of the run now.
  void DeleteTemp(const std::string& name);
  // Pushes the closed temporary file `name` of the run to the disk; false, with a note,
  // when that fails.
  bool SyncTemp(const std::string& name);

  // The finished temporary file `tempName` becomes the current list, the next action's
  // input; the last action's is the result the commit puts in place of the destination.
  // The list it replaces, if a temporary one, is removed.
  void CommitResult(const std::string& tempName);
  // Whether the next commit is the job's result. A list kept only for the next action
  // need not be synced to the disk.
  bool CommitIsFinal() const { return commitsLeft_ <= 1; }

  // Adds a part of a split named `name` to what the job puts in place; returns its
  // number. Raises "failed to open output file for writing" when the name cannot be
  // used, and the refusal of a link another user planted.
  std::size_t AddPart(const std::string& name);
  Folder& PartFolder(std::size_t part) { return commit_->FolderOf(part); }
  // The finished temporary file `tempName`, made in PartFolder(part), is what the commit
  // puts in place of that part.
  void SetPartResult(std::size_t part, const std::string& tempName);

  // The file the current action commits into, as the user named it: a merge always
  // writes its output.
  const std::string& Destination() const {
    if (!destinationName_.empty()) return destinationName_;
    return job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  }
  // The files of the user's the job reads, as they were named at the start of the run:
  // the list (or the lists to merge) and the filter file.
  const std::vector<std::string>& Inputs() const { return inputs_; }

  ProcessingJob& job() { return job_; }
  Env* env() { return env_; }

 private:
  // Runs the actions and the commit; false when a stop came first.
  bool RunActions();
  void RunAction(Action action, std::int32_t slot);
  Folder* TempFolder();
  // The files the job reads, as they were when the run began and as they are now.
  ReadFiles FilesRead();
  void RemoveTemps();

  ProcessingJob& job_;
  MessageSink& sink_;
  Env* env_;
  const ActionSet& actions_;
  std::unique_ptr<JobCommit> commit_;
  // Made by this run, not yet handed to the commit or removed: the folder each is in
  // and its name there.
  std::map<std::string, std::pair<Folder*, std::string>> temps_;
  std::string destinationName_;  // the destination as named when the run began
  std::size_t destination_ = 0;  // its target in commit_, when the job has a result
  bool hasDestination_ = false;
  Folder* tempFolder_ = nullptr;
  int commitsLeft_ = 0;       // actions still to commit, counting the running one
  std::string intermediate_;  // the temporary file holding the current list
  std::vector<std::string> inputs_;
  std::vector<std::pair<std::string, FileId>> inputsAtStart_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUNNER_H_
