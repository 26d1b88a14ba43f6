#include "engine/temp_files.h"

#include "engine/error.h"
#include "engine/texts.h"

namespace vantor {

Folder* TempFiles::TempFolder() {
  if (!tempFolder_) tempFolder_ = commit_.OpenFolder(directory_);
  if (!tempFolder_) RaiseFailed("failed to get temp file name");
  return tempFolder_;
}

std::unique_ptr<WritableFile> TempFiles::Create(std::string* name, Folder* folder) {
  Folder* where = folder ? folder : TempFolder();
  std::unique_ptr<WritableFile> file = env_->CreateTempFile(*where, name);
  if (!file) RaiseFailed("failed to get temp file name");
  files_[*name] = {where, name->substr(name->find_last_of('/') + 1)};
  return file;
}

void TempFiles::Delete(const std::string& name) {
  auto it = files_.find(name);
  if (it == files_.end()) return;
  env_->DeleteIn(*it->second.first, it->second.second);
  files_.erase(it);
}

bool TempFiles::Sync(const std::string& name) {
  auto it = files_.find(name);
  if (it == files_.end()) {
    NoteFailure(FailureNote("cannot sync", name, "not a temporary file of this run"));
    return false;
  }
  return env_->SyncFileIn(*it->second.first, it->second.second);
}

std::pair<Folder*, std::string> TempFiles::HandOver(const std::string& name) {
  auto it = files_.find(name);
  if (it == files_.end()) Raise(kRenameFailed);
  std::pair<Folder*, std::string> place = it->second;
  files_.erase(it);
  return place;
}

void TempFiles::RemoveAll() {
  for (const auto& [name, place] : files_) env_->DeleteIn(*place.first, place.second);
  files_.clear();
}

}  // namespace vantor
