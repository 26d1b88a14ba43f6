#include "engine/commit.h"

#include <algorithm>

#include "engine/error.h"
#include "engine/texts.h"

namespace vantor {

namespace {

[[noreturn]] void RaiseWith(const char* text, std::string detail) {
  throw ActionError{text, std::move(detail)};
}

std::string Quoted(const std::string& name, const char* reason) {
  return "'" + name + "': " + reason;
}

}  // namespace

Folder* JobCommit::OpenFolder(const std::string& path) {
  for (const std::unique_ptr<Folder>& folder : folders_) {
    if (folder->path() == path) return folder.get();
  }
  std::unique_ptr<Folder> folder = env_->OpenFolder(path);
  if (!folder) return nullptr;
  folders_.push_back(std::move(folder));
  return folders_.back().get();
}

std::size_t JobCommit::AddTarget(const std::string& name, bool part, const char* text,
                                 const char* readText) {
  const Placement place = env_->Place(name);
  switch (place.refusal) {
    case Placement::Refusal::kNone:
      break;
    case Placement::Refusal::kSharedLink:
      RaiseWith(kSharedLinkRefused, Quoted(name, kSharedLinkRefused));
    case Placement::Refusal::kNoFolder:
    case Placement::Refusal::kSystem:
      RaiseWith(text, FailureNote("cannot create", name, place.reason));
  }
  Folder* folder = OpenFolder(place.folder);
  if (!folder) RaiseFailed(text);
  Target target;
  target.name = name;
  target.part = part;
  target.readText = readText;
  target.folder = folder;
  target.leaf = place.name;
  targets_.push_back(std::move(target));
  return targets_.size() - 1;
}

void JobCommit::SetResult(std::size_t target, Folder& tempFolder, const std::string& tempLeaf,
                          const std::string& tempName) {
  Target& t = targets_[target];
  t.tempFolder = &tempFolder;
  t.tempLeaf = tempLeaf;
  t.temp = tempName;
}

void JobCommit::Check(const Target& t, const ReadFiles& reads, std::vector<Folder*>* checked) {
  // A folder renamed away, with another put in its place, would take the results
  // where the user does not look for them.
  if (std::find(checked->begin(), checked->end(), t.folder) == checked->end()) {
    const std::unique_ptr<Folder> now = env_->OpenFolder(t.folder->path());
    if (!now || now->id() != t.folder->id()) {
      TakeFailureNote();
      RaiseWith(kRenameFailed, FailureNote("cannot put in place", t.name,
                                           "its folder was moved or replaced during the run"));
    }
    checked->push_back(t.folder);
  }
  const FileFacts facts = env_->InspectIn(*t.folder, t.leaf);
  if (!facts.exists) return;
  if (!facts.regular) RaiseWith(kOutputNotRegular, Quoted(t.name, "not a regular file"));
  if (!facts.writable) RaiseWith(kRenameFailed, Quoted(t.name, "file not writable"));
  if (!t.part) return;
  for (const ReadFile& read : reads) {
    if (read.id != facts.id) continue;
    const char* text = t.readText         ? t.readText
                       : read.filter      ? kPartOverwritesFilter
                       : read.suppression ? kPartOverwritesSuppression
                                          : kPartOverwritesList;
    RaiseWith(text, Quoted(t.name, text));
  }
}

void JobCommit::Commit(const ReadFiles& reads) {
  std::vector<Folder*> checked;
  for (auto t = targets_.begin(); t != targets_.end(); ++t) {
    if (!t->tempFolder) continue;
    Check(*t, reads, &checked);
    // Two results for one file (a part that is a link to the destination): the later
    // would silently take the earlier's place.
    for (auto before = targets_.begin(); before != t; ++before) {
      if (before->tempFolder && before->folder == t->folder && SameName(before->leaf, t->leaf)) {
        RaiseWith(kRenameFailed, Quoted(t->name, "the same file as another result"));
      }
    }
  }
  for (Target& t : targets_) {
    if (t.tempFolder && !PutInPlace(t)) {
      std::string note = TakeFailureNote();
      RaiseWith(kRenameFailed, note + Undo());
    }
  }
  // Until the new names are on the disk, a power cut could leave a mix of old and new.
  if (!SyncFolders()) {
    std::string note = TakeFailureNote();
    RaiseWith(kRenameFailed, note + Undo());
  }
  // Only tidies up: a kept name that comes back after a power cut is a temporary file
  // like any other, so the folders are not synced again for it.
  for (Target& t : targets_) {
    if (!t.kept.empty()) env_->DeleteIn(*t.folder, t.kept);
  }
  targets_.clear();
}

bool JobCommit::PutInPlace(Target& t) {
  const FileFacts facts = env_->InspectIn(*t.folder, t.leaf);
  t.existed = facts.exists;
  if (!env_->TakeAccessOf(*t.tempFolder, t.tempLeaf, *t.folder, t.leaf)) return false;
  std::uint32_t mode = facts.exists ? facts.mode : env_->NewFileMode();
  // A set-id program made of other bytes must not keep its bits under a new owner.
  // The owner goes first: changing it clears those bits.
  if (facts.exists && !env_->SetOwnerIn(*t.tempFolder, t.tempLeaf, facts.owner, facts.group)) {
    mode &= ~06000u;
  }
  if (!env_->SetModeIn(*t.tempFolder, t.tempLeaf, mode)) return false;
  if (facts.exists) {
    // Where no second name can be made, the old file is replaced all the same: the
    // user gets the result, and only a failure after it could not give the old back.
    if (env_->KeepLink(*t.folder, t.leaf, &t.kept) == KeepResult::kFailed) return false;
  }
  if (!env_->RenameIn(*t.tempFolder, t.tempLeaf, *t.folder, t.leaf)) return false;
  t.done = true;
  t.temp.clear();
  return true;
}

std::string JobCommit::Undo() {
  std::string lost;
  for (auto t = targets_.rbegin(); t != targets_.rend(); ++t) {
    if (t->done && !t->kept.empty()) {
      // Should even this fail, the old file is left under its kept name, and the user
      // is told where.
      if (!env_->RenameIn(*t->folder, t->kept, *t->folder, t->leaf)) {
        lost += "; the old '" + t->name + "' is kept as '" + NameIn(*t->folder, t->kept) + "'";
      }
    } else if (t->done && !t->existed) {
      env_->DeleteIn(*t->folder, t->leaf);
    } else if (t->done) {
      lost += "; '" + t->name + "' is replaced: its file system keeps no second name for the old";
    } else if (!t->kept.empty()) {
      env_->DeleteIn(*t->folder, t->kept);
    }
    t->kept.clear();
    t->done = false;
  }
  SyncFolders();
  TakeFailureNote();
  return lost;
}

bool JobCommit::SyncFolders() {
  bool ok = true;
  std::vector<Folder*> synced;
  for (const Target& t : targets_) {
    if (!t.tempFolder || std::find(synced.begin(), synced.end(), t.folder) != synced.end()) {
      continue;
    }
    synced.push_back(t.folder);
    if (!env_->SyncFolder(*t.folder)) ok = false;
  }
  return ok;
}

void JobCommit::Discard() {
  for (const Target& t : targets_) {
    if (t.tempFolder && !t.temp.empty()) env_->DeleteIn(*t.tempFolder, t.tempLeaf);
  }
  targets_.clear();
}

}  // namespace vantor
