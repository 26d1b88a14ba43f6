// What an action works with while a job runs: the user's choices, the Env, the run's
// temporary files, the progress texts and the share done, the stop check, the run's
// generator, and the chain of lists (the list the action reads, and where its result
// goes: the next action's input, the job's result, or the parts of a split). Made by
// ActionRunner for one run and handed to each action; the actions below it never see
// the runner.
//
// Used on the worker thread only.
#ifndef VANTOR_ENGINE_RUN_CONTEXT_H_
#define VANTOR_ENGINE_RUN_CONTEXT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/commit.h"
#include "engine/job.h"
#include "engine/platform/env.h"
#include "engine/progress.h"
#include "engine/temp_files.h"

namespace vantor {

class RunContext {
 public:
  // The chain starts at `input`. `destination` is the target of the job's result in
  // `commit`, when the job has one; `destinationName` the file as the user named it.
  // `committingActions` says how many actions hand a result on. Everything given must
  // outlive the context.
  RunContext(ProcessingJob& job, MessageSink& sink, Env* env, JobCommit& commit, TempFiles& temps,
             std::string input, std::string destinationName, std::optional<std::size_t> destination,
             int committingActions);
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  // What the user chose.
  const ProcessingJob& job() const { return job_; }
  // The job's sizes, with no more files merged or dealt into at once than the process
  // may still open beside those the run keeps open.
  const ChunkSizes& chunkSizes() const { return sizes_; }
  Env* env() { return env_; }
  TempFiles& temps() { return temps_; }
  RunRandom& random() { return job_.random; }

  // Appends a paragraph to the job's report.
  void Report(const std::string& text) { job_.resultsText += text; }
  // The duplicates the job's sort removed, for the front end to read after the run.
  std::uint64_t& duplicatesFound() { return job_.duplicatesFound; }
  // A list shorter than the count to extract lowers the job's count to its lines: what
  // could be had of what was asked for.
  void LowerExtractCount(std::int32_t count) { job_.extractCount = count; }

  // False once a stop was asked for. Actions check it after every chunk they read and
  // once before they commit.
  bool KeepRunning() const { return !job_.runPermission || job_.runPermission->IsSet(); }
  void PostInfo(const std::string& text) { sink_.Post({WMU_INFO, 0, text}); }
  void PostInfo2(const std::string& text) { sink_.Post({WMU_INFO2, 0, text}); }

  // Where the job has got to: the running action tells it how far it is through its
  // input (see RunProgress::At).
  RunProgress& progress() { return progress_; }

  // The list the running action reads: the user's, or the result of the action before.
  const std::string& Input() const { return input_; }
  // The size of that list now, in bytes; 0 when it cannot be known.
  std::uint64_t InputBytes() { return env_->Inspect(input_).size; }
  // The file the job's result goes to, as the user named it.
  const std::string& Destination() const { return destinationName_; }

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
  Folder& PartFolder(std::size_t part) { return commit_.FolderOf(part); }
  // The finished temporary file `tempName`, made in PartFolder(part), is what the commit
  // puts in place of that part.
  void SetPartResult(std::size_t part, const std::string& tempName);
  // Adds one more file the job puts in place, beside its result: `name` as the user
  // named it (the clean's rejects). It is then handled as a part: written in
  // PartFolder(), handed over by SetPartResult(), put in place by the one commit with
  // the other results, or left as it was. Raises as AddPart does, and "rejects file
  // would overwrite a file the job reads" at the commit.
  std::size_t AddExtraResult(const std::string& name);

 private:
  ProcessingJob& job_;
  ChunkSizes sizes_;
  MessageSink& sink_;
  Env* env_;
  JobCommit& commit_;
  TempFiles& temps_;
  std::string input_;
  std::string intermediate_;  // the temporary file holding the current list
  std::string destinationName_;
  std::optional<std::size_t> destination_;
  int commitsLeft_;  // actions still to commit, counting the running one
  RunProgress progress_;
};

// Makes the finished temporary file `tempName` the action's result: the next action's
// input, and the job's result when it is the last (see RunContext::CommitResult).
// When a stop was asked for, deletes it instead and returns false: the destination
// stays as it was and the action appends no report.
bool CommitTempFile(RunContext& run, const std::string& tempName);

}  // namespace vantor

#endif  // VANTOR_ENGINE_RUN_CONTEXT_H_
