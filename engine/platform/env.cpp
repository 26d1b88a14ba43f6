// The part of the platform layer that is the same on every system.
#include "engine/platform/env.h"

#include <atomic>
#include <cstdio>
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

std::string UniqueTempName(std::uint64_t process, std::uint64_t clock) {
  static std::atomic<std::uint32_t> counter{0};
  std::uint64_t x = (process << 32) ^ clock ^
                    (static_cast<std::uint64_t>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 32;
  char unique[24];
  std::snprintf(unique, sizeof unique, "vnt%08x.tmp", static_cast<unsigned>(x));
  return unique;
}

std::string NameIn(const Folder& folder, const std::string& name) {
  const std::string& path = folder.path();
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) return path + name;
  return path + "/" + name;
}

}  // namespace vantor
