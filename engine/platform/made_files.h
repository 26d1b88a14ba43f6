// The temporary files this process created and still holds, by name, with the file
// each name led to: an Env opens, syncs and renames such a file only while its name
// still leads to the file created, so a file swapped in under the name is never used.
#ifndef VANTOR_ENGINE_PLATFORM_MADE_FILES_H_
#define VANTOR_ENGINE_PLATFORM_MADE_FILES_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "engine/platform/env.h"

namespace vantor {

class MadeFiles {
 public:
  std::optional<FileId> Find(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = made_.find(name);
    if (it == made_.end()) return std::nullopt;
    return it->second;
  }
  void Remember(const std::string& name, FileId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    made_[name] = id;
  }
  void Forget(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    made_.erase(name);
  }

 private:
  std::mutex mutex_;
  std::map<std::string, FileId> made_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_MADE_FILES_H_
