// The temporary files this process created and still holds, by name, with what the Env
// keeps of each: the file each name led to, so that an Env opens, syncs and renames such
// a file only while its name still leads to the file created and a file swapped in under
// the name is never used; and, where the system can, the folder it was made in.
#ifndef VANTOR_ENGINE_PLATFORM_MADE_FILES_H_
#define VANTOR_ENGINE_PLATFORM_MADE_FILES_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "engine/platform/env.h"

namespace vantor {

// Every member may be called from any thread.
template <typename Kept>
class MadeRegistry {
 public:
  std::optional<Kept> Find(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = made_.find(name);
    if (it == made_.end()) return std::nullopt;
    return it->second;
  }
  void Remember(const std::string& name, Kept kept) {
    std::lock_guard<std::mutex> lock(mutex_);
    made_[name] = std::move(kept);
  }
  void Forget(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    made_.erase(name);
  }

 private:
  std::mutex mutex_;
  std::map<std::string, Kept> made_;
};

using MadeFiles = MadeRegistry<FileId>;

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_MADE_FILES_H_
