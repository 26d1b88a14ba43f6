#include "engine/file_checks.h"

#include "engine/texts.h"

namespace vantor {

namespace {

std::optional<FileProblem> CheckInput(const std::string& name, Env* env) {
  const FileFacts facts = env->Inspect(name);
  if (facts.exists && !facts.regular) return FileProblem{FileProblemKind::kNotRegular, name};
  return std::nullopt;
}

}  // namespace

std::optional<FileProblem> CheckInputs(const ProcessingJob& job, Env* env) {
  if (!job.singleListMode) {
    for (const std::string& list : job.mergeFiles) {
      if (auto problem = CheckInput(list, env)) return problem;
    }
    return std::nullopt;
  }
  if (auto problem = CheckInput(job.inputFileName, env)) return problem;
  if (job.filterOn) return CheckInput(job.filterFileName, env);
  return std::nullopt;
}

int CommittingActions(const ProcessingJob& job) {
  if (!job.singleListMode) return 1;
  const bool rearrange = job.sortByEmail || job.sortByDomain || job.randomize;
  return job.filterOn + rearrange + job.includeOn + job.extractOn;
}

bool CommitsIntoDestination(const ProcessingJob& job) { return CommittingActions(job) > 0; }

std::optional<FileProblem> CheckDestination(const ProcessingJob& job, Env* env) {
  const bool commits = CommitsIntoDestination(job);
  if (!commits && !job.splitOn) return std::nullopt;
  const std::string& destination =
      job.singleListMode && job.replaceInput ? job.inputFileName : job.outputFileName;
  if (destination.empty()) return std::nullopt;  // no front end lets one through
  const std::string real = env->RealPath(destination);
  if (real.empty()) {
    const FileFacts folder = env->Inspect(DirectoryOf(destination));
    if (!folder.directory) return FileProblem{FileProblemKind::kNoFolder, DirectoryOf(destination)};
    // The folder is there: the name is a link that leads nowhere it could be resolved.
    return FileProblem{FileProblemKind::kNotRegular, destination};
  }
  if (commits) {
    const FileFacts facts = env->Inspect(real);
    if (facts.exists && !facts.regular)
      return FileProblem{FileProblemKind::kNotRegular, destination};
    if (facts.exists && !facts.writable)
      return FileProblem{FileProblemKind::kReadOnly, destination};
  }
  // The result, or each part, is made beside the destination and renamed into place.
  if (!env->CanWriteInto(DirectoryOf(real))) {
    return FileProblem{FileProblemKind::kFolderNotWritable, DirectoryOf(destination)};
  }
  return std::nullopt;
}

const char* RunErrorText(FileProblemKind kind) {
  switch (kind) {
    case FileProblemKind::kNotRegular:
      return kOutputNotRegular;
    case FileProblemKind::kReadOnly:
      return kRenameFailed;
    case FileProblemKind::kNoFolder:
      return "output folder does not exist";
    case FileProblemKind::kFolderNotWritable:
      return "cannot create files in the output folder";
  }
  return "";
}

}  // namespace vantor
