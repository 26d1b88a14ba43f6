#include "engine/runner.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "engine/error.h"
#include "engine/extract.h"
#include "engine/filter.h"
#include "engine/include.h"
#include "engine/merge.h"
#include "engine/sort_by_parts.h"
#include "engine/split.h"

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
    : job_(job), sink_(sink), env_(env), actions_(actions) {}

int ActionRunner::Run() {
  const std::uint32_t startTick = env_->TickCount();
  // Whatever ends the run, the front end must hear WMU_DONE or WMU_ERROR: it waits for
  // one of them to leave its running state.
  const char* failure = nullptr;
  std::string otherFailure;
  try {
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
    // Unsigned arithmetic gives the true duration across a wrap of the tick counter.
    job_.elapsedMs = env_->TickCount() - startTick;
    sink_.Post({WMU_DONE, 0, std::string()});
    return 0;
  } catch (const ActionError& error) {
    failure = error.text;
  } catch (const std::bad_alloc&) {
    failure = "failed to allocate memory";
  } catch (const std::exception& error) {
    otherFailure = error.what();
  }
  sink_.Post({WMU_ERROR, 0, failure ? std::string(failure) : otherFailure});
  return 0;
}

void ActionRunner::RunAction(Action action, std::int32_t slot) {
  PostActionStart(slot);
  action(*this);
  PostActionEnd(slot);
}

bool ActionRunner::PrepareTempDirectory() {
  const std::string& base =
      job_.singleListMode && job_.replaceInput ? job_.inputFileName : job_.outputFileName;
  std::string full = env_->FullPath(base);
  if (full.empty()) return false;
  job_.tempDirectory = env_->TempDirectoryFor(full);
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

std::string ActionRunner::MakeTempFileName() {
  std::string name;
  if (!env_->MakeTempFile(job_.tempDirectory, &name)) Raise("failed to get temp file name");
  return name;
}

std::string Format(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);
  std::string text(static_cast<std::size_t>(n), '\0');
  va_start(args, format);
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  return text;
}

}  // namespace vantor
