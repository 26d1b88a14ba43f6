// The part of the platform layer that is the same on every system.
#include "engine/platform/env.h"

#include <algorithm>
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

#ifdef _WIN32
const bool kNamesIgnoreCase = true;
#else
const bool kNamesIgnoreCase = false;
#endif

bool SameName(std::string_view a, std::string_view b) {
  if (!kNamesIgnoreCase) return a == b;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

std::string NameIn(const Folder& folder, const std::string& name) {
  const std::string& path = folder.path();
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) return path + name;
  return path + "/" + name;
}

}  // namespace vantor
