// The part of the platform layer that is the same on every system.
#include "engine/platform/env.h"

#include <utility>

namespace vantor {

namespace {
thread_local std::string t_failureNote;
}  // namespace

void NoteFailure(std::string note) { t_failureNote = std::move(note); }

std::string TakeFailureNote() { return std::exchange(t_failureNote, std::string()); }

std::string FailureNote(const char* what, const std::string& name, const std::string& reason) {
  return std::string(what) + " '" + name + "': " + reason;
}

std::string NameIn(const Folder& folder, const std::string& name) {
  const std::string& path = folder.path();
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) return path + name;
  return path + "/" + name;
}

}  // namespace vantor
