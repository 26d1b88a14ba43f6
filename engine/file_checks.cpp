#include "engine/file_checks.h"

#include <vector>

#include "engine/split.h"
#include "engine/texts.h"

namespace vantor {

std::optional<FileProblem> CheckInputFile(const std::string& name, Env* env, InputCheck how) {
  const FileFacts facts = env->Inspect(name);
  if (facts.exists && !facts.regular) {
    return FileProblem{FileProblemKind::kNotRegular, name, std::string()};
  }
  if (how == InputCheck::kKind) return std::nullopt;
  TakeFailureNote();
  if (env->OpenForReading(name) != nullptr) return std::nullopt;
  // The system's words, without the "cannot open 'name': " the note puts before them.
  std::string reason = TakeFailureNote();
  const std::string prefix = FailureNote("cannot open", name, std::string());
  if (reason.starts_with(prefix)) reason.erase(0, prefix.size());
  return FileProblem{FileProblemKind::kUnreadable, name, std::move(reason)};
}

std::optional<FileProblem> CheckInputs(const ProcessingJob& job, Env* env, InputCheck how) {
  if (!job.singleListMode) {
    for (const std::string& list : job.mergeFiles) {
      if (auto problem = CheckInputFile(list, env, how)) return problem;
    }
    return std::nullopt;
  }
  if (auto problem = CheckInputFile(job.inputFileName, env, how)) return problem;
  if (job.filterOn) {
    if (auto problem = CheckInputFile(job.filterFileName, env, how)) return problem;
  }
  if (job.suppressOn) return CheckInputFile(job.suppressFileName, env, how);
  return std::nullopt;
}

std::optional<FileProblem> CheckJobFiles(const ProcessingJob& job, Env* env, InputCheck how) {
  if (auto problem = CheckInputs(job, env, how)) return problem;
  return CheckDestination(job, env);
}

int CommittingActions(const ProcessingJob& job) {
  if (!job.singleListMode) return 1;
  const bool rearrange =
      job.sortByEmail || job.sortByDomain || job.randomize || job.keepOrderDedupe;
  return job.cleanOn + job.filterOn + job.suppressOn + rearrange + job.includeOn + job.extractOn;
}

bool CommitsIntoDestination(const ProcessingJob& job) { return CommittingActions(job) > 0; }

namespace {

// What keeps the file the user named `name` from being put in place, as placed.
std::optional<FileProblem> PlacementProblem(const Placement& place, const std::string& name) {
  switch (place.refusal) {
    case Placement::Refusal::kNone:
      return std::nullopt;
    case Placement::Refusal::kNoFolder:
      return FileProblem{FileProblemKind::kNoFolder, DirectoryOf(name), std::string()};
    case Placement::Refusal::kSystem:
      return FileProblem{FileProblemKind::kUnusable, name, place.reason};
    case Placement::Refusal::kSharedLink:
      return FileProblem{FileProblemKind::kSharedLink, name, std::string()};
  }
  return std::nullopt;
}

std::string PlacedPath(const Placement& place) {
  return (place.folder.ends_with('/') ? place.folder : place.folder + "/") + place.name;
}

// What keeps the existing file at `place`, named `name` as the user gave it, from being
// replaced: not a regular file, not writable, or held open by another program.
std::optional<FileProblem> ReplaceProblem(const Placement& place, const FileFacts& facts,
                                          const std::string& name, Env* env) {
  if (!facts.exists) return std::nullopt;
  if (!facts.regular) return FileProblem{FileProblemKind::kNotRegular, name, std::string()};
  if (!facts.writable) return FileProblem{FileProblemKind::kReadOnly, name, std::string()};
  if (env->InUse(PlacedPath(place))) {
    return FileProblem{FileProblemKind::kInUse, name, std::string()};
  }
  return std::nullopt;
}

// The absolute form of `name` when it can be made, else `name` as given.
std::string FullName(Env* env, const std::string& name) {
  std::string full = env->FullPath(name);
  return full.empty() ? name : full;
}

// Every existing file whose name the split's pattern can make is looked at: a part
// will be put in its place.
std::optional<FileProblem> CheckSplitParts(const ProcessingJob& job, const std::string& base,
                                           Env* env) {
  const PartNamePattern pattern = MakePartNamePattern(base);
  // The pattern with its directory made absolute. Only the last path component holds
  // the number, and that component is never "." or "..", so making the name of part 1
  // absolute keeps it whole at the end.
  PartNamePattern full = pattern;
  const std::string one = env->FullPath(pattern.Name(1));
  if (!one.empty() && one.size() >= 1 + pattern.tail.size()) {
    full.head = one.substr(0, one.size() - 1 - pattern.tail.size());
  }
  if (full.CanName(FullName(env, job.inputFileName))) {
    return FileProblem{FileProblemKind::kOverwritesList, job.inputFileName, std::string()};
  }
  struct Read {
    FileId id;
    FileProblemKind kind;
  };
  std::vector<Read> reads;
  if (const FileFacts list = env->Inspect(job.inputFileName); list.exists) {
    reads.push_back({list.id, FileProblemKind::kOverwritesList});
  }
  if (job.filterOn) {
    if (const FileFacts filter = env->Inspect(job.filterFileName); filter.exists) {
      reads.push_back({filter.id, FileProblemKind::kOverwritesFilter});
    }
  }
  if (job.suppressOn) {
    if (const FileFacts suppression = env->Inspect(job.suppressFileName); suppression.exists) {
      reads.push_back({suppression.id, FileProblemKind::kOverwritesSuppression});
    }
  }
  const std::string folder = DirectoryOf(full.Name(1));
  std::vector<std::string> names;
  if (!env->ListDirectory(folder, &names)) return std::nullopt;  // making the parts says why
  for (const std::string& name : names) {
    const std::string path = folder.back() == '/' ? folder + name : folder + "/" + name;
    if (!full.CanName(path)) continue;
    // Named as the user would name it: the pattern's folder as given, the name as found.
    const std::size_t cut = pattern.head.find_last_of(kPathSeparators);
    const std::string part =
        (cut == std::string::npos ? std::string() : pattern.head.substr(0, cut + 1)) + name;
    const Placement place = env->Place(path);
    if (auto problem = PlacementProblem(place, part)) return problem;
    const FileFacts facts = env->Inspect(PlacedPath(place));
    for (const Read& read : reads) {
      if (facts.exists && read.id == facts.id) return FileProblem{read.kind, part, std::string()};
    }
    if (auto problem = ReplaceProblem(place, facts, part, env)) return problem;
  }
  return std::nullopt;
}

// The clean's rejects file: a destination of its own, which must not take the place of
// a file the job reads or of its result.
std::optional<FileProblem> CheckRejects(const ProcessingJob& job, const std::string& destination,
                                        Env* env) {
  const std::string& name = job.rejectsFileName;
  const Placement place = env->Place(name);
  if (auto problem = PlacementProblem(place, name)) {
    if (problem->kind == FileProblemKind::kNoFolder) problem->name = DirectoryOf(name);
    return problem;
  }
  const std::string placed = PlacedPath(place);
  const Placement result = env->Place(destination);
  if (result.refusal == Placement::Refusal::kNone && PlacedPath(result) == placed) {
    return FileProblem{FileProblemKind::kRejectsIsResult, name, std::string()};
  }
  const FileFacts facts = env->Inspect(placed);
  if (facts.exists) {
    std::vector<std::string> reads{job.inputFileName};
    if (job.filterOn) reads.push_back(job.filterFileName);
    if (job.suppressOn) reads.push_back(job.suppressFileName);
    for (const std::string& read : reads) {
      const FileFacts other = env->Inspect(read);
      if (other.exists && other.id == facts.id) {
        return FileProblem{FileProblemKind::kRejectsOverwritesRead, name, std::string()};
      }
    }
    if (const FileFacts out = env->Inspect(destination); out.exists && out.id == facts.id) {
      return FileProblem{FileProblemKind::kRejectsIsResult, name, std::string()};
    }
  }
  if (auto problem = ReplaceProblem(place, facts, name, env)) return problem;
  if (!env->CanWriteInto(place.folder)) {
    return FileProblem{FileProblemKind::kFolderNotWritable, DirectoryOf(name), std::string()};
  }
  return std::nullopt;
}

}  // namespace

std::optional<FileProblem> CheckDestination(const ProcessingJob& job, Env* env) {
  const bool commits = CommitsIntoDestination(job);
  const bool splits = job.singleListMode && job.splitOn;
  if (!commits && !splits) return std::nullopt;
  const std::string& destination =
      job.singleListMode && job.replaceInput ? job.inputFileName : job.outputFileName;
  if (destination.empty()) return std::nullopt;  // no front end lets one through
  // The result, or each part, is made beside the file it replaces and renamed into
  // place; a split alone writes its parts only.
  const std::string placed = commits ? destination : PartFileName(destination, 1);
  const Placement place = env->Place(placed);
  if (auto problem = PlacementProblem(place, placed)) {
    if (problem->kind == FileProblemKind::kNoFolder) problem->name = DirectoryOf(destination);
    return problem;
  }
  if (commits) {
    const FileFacts facts = env->Inspect(PlacedPath(place));
    if (auto problem = ReplaceProblem(place, facts, destination, env)) return problem;
  }
  if (!env->CanWriteInto(place.folder)) {
    return FileProblem{FileProblemKind::kFolderNotWritable, DirectoryOf(destination),
                       std::string()};
  }
  if (job.singleListMode && job.cleanOn && !job.rejectsFileName.empty()) {
    if (auto problem = CheckRejects(job, destination, env)) return problem;
  }
  if (splits) return CheckSplitParts(job, destination, env);
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
    case FileProblemKind::kSharedLink:
      return kSharedLinkRefused;
    case FileProblemKind::kUnusable:
      return kOpenOutputFailed;
    case FileProblemKind::kOverwritesList:
      return kPartOverwritesList;
    case FileProblemKind::kOverwritesFilter:
      return kPartOverwritesFilter;
    case FileProblemKind::kOverwritesSuppression:
      return kPartOverwritesSuppression;
    case FileProblemKind::kInUse:
      return kRenameFailed;
    case FileProblemKind::kUnreadable:
      return kOpenListFailed;
    case FileProblemKind::kRejectsOverwritesRead:
      return kRejectsOverwritesRead;
    case FileProblemKind::kRejectsIsResult:
      return kRejectsIsResult;
  }
  return "";
}

std::string DescribeProblem(const FileProblem& problem) {
  std::string reason;
  switch (problem.kind) {
    case FileProblemKind::kNotRegular:
      reason = "not a regular file";
      break;
    case FileProblemKind::kReadOnly:
      reason = "file not writable";
      break;
    case FileProblemKind::kNoFolder:
      reason = "no such folder";
      break;
    case FileProblemKind::kFolderNotWritable:
      reason = "folder not writable";
      break;
    case FileProblemKind::kUnusable:
    case FileProblemKind::kUnreadable:
      reason = problem.reason;
      break;
    case FileProblemKind::kInUse:
      reason = "file in use by another program";
      break;
    default:
      reason = RunErrorText(problem.kind);
      break;
  }
  return "'" + problem.name + "': " + reason;
}

}  // namespace vantor
