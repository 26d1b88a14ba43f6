#include "tests/support/fault_env.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/support/test_files.h"

namespace vantor::testing {

namespace {

constexpr auto kHoldLimit = std::chrono::minutes(1);

class FaultReadableFile final : public ReadableFile {
 public:
  FaultReadableFile(FaultEnv* env, std::unique_ptr<ReadableFile> base)
      : env_(env), base_(std::move(base)) {}
  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    return Allowed(got) && base_->Read(dst, n, got);
  }
  bool ReadAt(std::uint64_t offset, char* dst, std::size_t n, std::size_t* got) override {
    return Allowed(got) && base_->ReadAt(offset, dst, n, got);
  }
  ReadableFile& base() { return *base_; }

 private:
  // False, with nothing read, where the test fails this read.
  bool Allowed(std::size_t* got) {
    if (env_->Allow(Call::Read)) return true;
    *got = 0;
    return false;
  }

  FaultEnv* env_;
  std::unique_ptr<ReadableFile> base_;
};

class FaultWritableFile final : public WritableFile {
 public:
  FaultWritableFile(FaultEnv* env, std::unique_ptr<WritableFile> base,
                    std::shared_ptr<FaultEnv::Written> written)
      : env_(env), base_(std::move(base)), written_(std::move(written)) {}
  bool Write(const char* src, std::size_t n) override {
    if (!env_->Allow(Call::Write) || !base_->Write(src, n)) return false;
    env_->Wrote(written_, n);
    return true;
  }
  // The copy is one call, failed as a whole; the base copies between the files below
  // both wrappers, in the kernel where it can. Copied bytes count as written.
  bool CopyFrom(ReadableFile& source, std::uint64_t n, char* buffer, std::size_t size,
                std::uint64_t* copied, char* last) override {
    *copied = 0;
    if (!env_->Allow(Call::Copy)) return false;
    auto* wrapped = dynamic_cast<FaultReadableFile*>(&source);
    ReadableFile& from = wrapped ? wrapped->base() : source;
    const bool ok = base_->CopyFrom(from, n, buffer, size, copied, last);
    env_->Wrote(written_, static_cast<std::size_t>(*copied));
    return ok;
  }
  bool Sync() override {
    if (!env_->Allow(Call::Sync) || !base_->Sync()) return false;
    env_->Synced(written_);
    return true;
  }
  void StartWriteback() override { base_->StartWriteback(); }
  bool Close() override {
    // The descriptor is released either way, as close(2) does.
    bool allowed = env_->Allow(Call::Close);
    return base_->Close() && allowed;
  }

 private:
  FaultEnv* env_;
  std::unique_ptr<WritableFile> base_;
  std::shared_ptr<FaultEnv::Written> written_;  // null unless a power cut is armed
};

}  // namespace

void FaultEnv::FailAt(std::uint64_t n, bool onward) {
  std::lock_guard<std::mutex> lock(mutex_);
  failAt_ = n;
  onward_ = onward;
  faults_.clear();
}

void FaultEnv::FailCallOf(Call kind, int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  failOfKind_[kind] = n;
}

void FaultEnv::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearFaultsLocked();
}

void FaultEnv::ClearFaultsLocked() {
  failAt_ = 0;
  onward_ = false;
  failOfKind_.clear();
  faults_.clear();
  tracking_ = false;
  written_.clear();
  unsyncedNames_.clear();
}

void FaultEnv::CutPowerAt(std::uint64_t n) {
  ClearFaults();
  std::lock_guard<std::mutex> lock(mutex_);
  failAt_ = n;
  onward_ = true;
  tracking_ = true;
}

void FaultEnv::PowerOn(bool loseNames) {
  std::lock_guard<std::mutex> lock(mutex_);
  // What the page cache held and no sync wrote is gone.
  for (const auto& [name, file] : written_) {
    if (FileExists(name) && file->synced < file->size) {
      (void)::truncate(name.c_str(), static_cast<off_t>(file->synced));
    }
  }
  if (loseNames) {
    for (auto change = unsyncedNames_.rbegin(); change != unsyncedNames_.rend(); ++change) {
      if (change->from.empty()) {
        ::unlink(change->name.c_str());
      } else {
        (void)::rename(change->name.c_str(), change->from.c_str());
      }
      if (change->replaced) WriteFile(change->name, *change->replaced);
    }
  }
  ClearFaultsLocked();
}

std::uint64_t FaultEnv::calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

int FaultEnv::callsOf(Call kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = perKind_.find(kind);
  return it == perKind_.end() ? 0 : it->second;
}

std::set<Call> FaultEnv::faults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return faults_;
}

std::set<std::string> FaultEnv::FaultTexts() const {
  std::set<std::string> texts;
  for (Call kind : faults()) {
    if (const char* text = ErrorTextOf(kind)) texts.insert(text);
  }
  return texts;
}

void FaultEnv::HoldRead(int n, std::function<bool()> release) {
  std::lock_guard<std::mutex> lock(mutex_);
  holdAt_ = n;
  release_ = std::move(release);
}

void FaultEnv::SetTick(std::optional<std::uint32_t> tick, std::uint32_t step) {
  std::lock_guard<std::mutex> lock(mutex_);
  tick_ = tick;
  tickStep_ = step;
}

bool FaultEnv::Allow(Call kind) {
  std::function<bool()> release;
  bool fail = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++calls_;
    const int nth = ++perKind_[kind];
    fail = failAt_ != 0 && (calls_ == failAt_ || (onward_ && calls_ > failAt_));
    auto it = failOfKind_.find(kind);
    if (it != failOfKind_.end() && it->second == nth) fail = true;
    if (fail) faults_.insert(kind);
    if (kind == Call::Read && nth == holdAt_) release = release_;
  }
  // A failed call the engine cannot go on without leaves its note, as a real one does.
  if (fail && ErrorTextOf(kind)) NoteFailure(kInjectedFault);
  if (release) {
    holding_ = true;
    const auto limit = std::chrono::steady_clock::now() + kHoldLimit;
    while (!release() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    holding_ = false;
  }
  return !fail;
}

void FaultEnv::Wrote(const std::shared_ptr<Written>& file, std::size_t n) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file) file->size += n;
}

void FaultEnv::Synced(const std::shared_ptr<Written>& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file) file->synced = file->size;
}

std::unique_ptr<ReadableFile> FaultEnv::OpenForReading(const std::string& name) {
  if (!Allow(Call::OpenRead)) return nullptr;
  auto file = target()->OpenForReading(name);
  if (!file) return nullptr;
  return std::make_unique<FaultReadableFile>(this, std::move(file));
}

std::unique_ptr<WritableFile> FaultEnv::CreateTempFile(Folder& folder, std::string* name) {
  if (!Allow(Call::TempName)) return nullptr;
  auto file = target()->CreateTempFile(folder, name);
  if (!file) return nullptr;
  std::shared_ptr<Written> written;
  std::lock_guard<std::mutex> lock(mutex_);
  if (tracking_) {
    written = std::make_shared<Written>();
    written_[*name] = written;
    unsyncedNames_.push_back({folder.path(), *name, "", std::nullopt});
  }
  return std::make_unique<FaultWritableFile>(this, std::move(file), std::move(written));
}

KeepResult FaultEnv::KeepLink(Folder& folder, const std::string& name, std::string* kept) {
  if (!Allow(Call::Link)) return KeepResult::kFailed;
  const KeepResult result = target()->KeepLink(folder, name, kept);
  std::lock_guard<std::mutex> lock(mutex_);
  // A second name not yet durable is gone after the cut; the file keeps its first.
  if (tracking_ && result == KeepResult::kKept) {
    unsyncedNames_.push_back({folder.path(), NameIn(folder, *kept), "", std::nullopt});
  }
  return result;
}

bool FaultEnv::DeleteIn(Folder& folder, const std::string& name) {
  if (!Allow(Call::Delete) || !target()->DeleteIn(folder, name)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  written_.erase(NameIn(folder, name));
  return true;
}

bool FaultEnv::RenameIn(Folder& fromFolder, const std::string& fromName, Folder& toFolder,
                        const std::string& toName) {
  if (!Allow(Call::Rename)) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!tracking_) {
    lock.unlock();
    return target()->RenameIn(fromFolder, fromName, toFolder, toName);
  }
  const std::string from = NameIn(fromFolder, fromName);
  const std::string to = NameIn(toFolder, toName);
  // The replaced file comes back as the disk holds it.
  std::optional<std::string> replaced;
  if (FileExists(to)) {
    replaced = ReadFile(to);
    auto it = written_.find(to);
    if (it != written_.end()) replaced->resize(std::min(replaced->size(), it->second->synced));
  }
  if (!target()->RenameIn(fromFolder, fromName, toFolder, toName)) return false;
  auto it = written_.find(from);
  if (it != written_.end()) {
    written_[to] = it->second;
    written_.erase(it);
  } else {
    written_.erase(to);
  }
  unsyncedNames_.push_back({toFolder.path(), to, from, std::move(replaced)});
  return true;
}

bool FaultEnv::SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) {
  return Allow(Call::SetMode) && target()->SetModeIn(folder, name, mode);
}

bool FaultEnv::SyncFileIn(Folder& folder, const std::string& name) {
  if (!Allow(Call::Sync) || !target()->SyncFileIn(folder, name)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = written_.find(NameIn(folder, name));
  if (it != written_.end()) it->second->synced = it->second->size;
  return true;
}

bool FaultEnv::SyncFolder(Folder& folder) {
  if (!Allow(Call::SyncDirectory) || !target()->SyncFolder(folder)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(unsyncedNames_,
                [&](const NameChange& change) { return change.folder == folder.path(); });
  return true;
}

std::string FaultEnv::FullPath(const std::string& name) {
  if (failFullPath_.load() || !Allow(Call::FullPath)) return std::string();
  return target()->FullPath(name);
}

std::string FaultEnv::RealPath(const std::string& name) {
  return failFullPath_.load() ? std::string() : target()->RealPath(name);
}

Placement FaultEnv::Place(const std::string& name) {
  if (!failFullPath_.load()) return target()->Place(name);
  Placement refused;
  refused.refusal = Placement::Refusal::kSystem;
  refused.reason = kInjectedFault;
  return refused;
}

std::uint32_t FaultEnv::TickCount() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!tick_) {
    lock.unlock();
    return target()->TickCount();
  }
  const std::uint32_t now = *tick_;
  *tick_ += tickStep_;
  return now;
}

}  // namespace vantor::testing
