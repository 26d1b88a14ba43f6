// What is checked of a job's files before its first action starts, so that a run
// that cannot put its result in place is refused before any work instead of after it.
#ifndef VANTOR_ENGINE_FILE_CHECKS_H_
#define VANTOR_ENGINE_FILE_CHECKS_H_

#include <optional>
#include <string>

#include "engine/job.h"
#include "engine/platform/env.h"

namespace vantor {

enum class FileProblemKind {
  kNotRegular,             // a device, FIFO, socket or folder where a list file belongs
  kReadOnly,               // an existing destination the user may not replace
  kNoFolder,               // the folder of the destination does not exist
  kFolderNotWritable,      // no file can be made or renamed in the destination's folder
  kSharedLink,             // a link owned by another user in a shared folder
  kUnusable,               // the system refuses the name; the problem's reason says why
  kOverwritesList,         // a part of the split would replace the list being split
  kOverwritesFilter,       // a part of the split would replace the filter file
  kInUse,                  // another program holds the file open and it cannot be replaced
  kRejectsOverwritesRead,  // the clean's rejects file is a file the job reads
  kRejectsIsResult,        // the clean's rejects file is the job's result
  kUnreadable,             // a file the job reads cannot be opened; the reason says why
  kOverwritesSuppression,  // a part of the split would replace the suppression file
};

struct FileProblem {
  FileProblemKind kind;
  std::string name;    // the file or folder concerned, as the user named it
  std::string reason;  // kUnusable: the system's words
};

// How far the files a job reads are looked at before the run.
enum class InputCheck {
  kKind,  // only that an existing one is a regular file; opening it is left to the run
  kOpen,  // also that it can be opened for reading now: it exists, the user may read it
};

// What keeps the file `name`, which a job reads, from being read.
std::optional<FileProblem> CheckInputFile(const std::string& name, Env* env, InputCheck how);

// The first file the job reads (list, filter file, suppression file, lists to merge)
// that CheckInputFile refuses.
std::optional<FileProblem> CheckInputs(const ProcessingJob& job, Env* env,
                                       InputCheck how = InputCheck::kKind);

// Whether the job can put its results in place: the destination (the input with
// replaceInput), when an action commits into it, must be a regular file the user may
// replace, or a new file; its folder, and the folder of the parts of a split, must
// exist and take new files; no link on the way may be one another user planted in a
// shared folder; and no existing file a part would replace may be a file the job
// reads, a file that is not a regular file, or one the user may not replace. The
// clean's rejects file is checked as the destination is, and may be neither a file the
// job reads nor its result.
std::optional<FileProblem> CheckDestination(const ProcessingJob& job, Env* env);

// Every check a job's files get before the run: CheckInputs, then CheckDestination.
// The batch tool runs it as it starts; the wizard before it starts the run, and each of
// its pages that names a file checks that file the same way on Next.
std::optional<FileProblem> CheckJobFiles(const ProcessingJob& job, Env* env, InputCheck how);

// The error text a run ends with for `kind`.
const char* RunErrorText(FileProblemKind kind);
// The file and what is wrong with it: "'out.txt': file not writable".
std::string DescribeProblem(const FileProblem& problem);

// The number of the job's actions that commit a list (all but the split), and whether
// there is one: only the last of them changes the destination.
int CommittingActions(const ProcessingJob& job);
bool CommitsIntoDestination(const ProcessingJob& job);

}  // namespace vantor

#endif  // VANTOR_ENGINE_FILE_CHECKS_H_
