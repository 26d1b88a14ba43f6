#include "tests/support/fault_env.h"

namespace vantor::testing {

namespace {

class FaultReadableFile final : public ReadableFile {
 public:
  FaultReadableFile(FaultEnv* env, std::unique_ptr<ReadableFile> base)
      : env_(env), base_(std::move(base)) {}
  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    if (!env_->Allow(Call::Read)) {
      *got = 0;
      return false;
    }
    return base_->Read(dst, n, got);
  }

 private:
  FaultEnv* env_;
  std::unique_ptr<ReadableFile> base_;
};

class FaultWritableFile final : public WritableFile {
 public:
  FaultWritableFile(FaultEnv* env, std::unique_ptr<WritableFile> base)
      : env_(env), base_(std::move(base)) {}
  bool Write(const char* src, std::size_t n) override {
    return env_->Allow(Call::Write) && base_->Write(src, n);
  }
  bool Sync() override { return env_->Allow(Call::Sync) && base_->Sync(); }
  void StartWriteback() override { base_->StartWriteback(); }
  bool Close() override {
    // The descriptor is released either way, as close(2) does.
    bool allowed = env_->Allow(Call::Close);
    return base_->Close() && allowed;
  }

 private:
  FaultEnv* env_;
  std::unique_ptr<WritableFile> base_;
};

}  // namespace

bool FaultEnv::Allow(Call kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++calls_;
  int nth = ++perKind_[kind];
  bool fail = failAt_ != 0 && (calls_ == failAt_ || (onward_ && calls_ > failAt_));
  auto it = failOfKind_.find(kind);
  if (it != failOfKind_.end() && it->second == nth) fail = true;
  if (fail) faults_.insert(kind);
  return !fail;
}

std::unique_ptr<ReadableFile> FaultEnv::OpenForReading(const std::string& name) {
  if (!Allow(Call::OpenRead)) return nullptr;
  auto file = target()->OpenForReading(name);
  if (!file) return nullptr;
  return std::make_unique<FaultReadableFile>(this, std::move(file));
}

std::unique_ptr<WritableFile> FaultEnv::CreateTempFile(const std::string& directory,
                                                       std::string* name) {
  if (!Allow(Call::TempName)) return nullptr;
  auto file = target()->CreateTempFile(directory, name);
  if (!file) return nullptr;
  return std::make_unique<FaultWritableFile>(this, std::move(file));
}

bool FaultEnv::Rename(const std::string& from, const std::string& to) {
  return Allow(Call::Rename) && target()->Rename(from, to);
}

bool FaultEnv::SetMode(const std::string& name, std::uint32_t mode) {
  return Allow(Call::SetMode) && target()->SetMode(name, mode);
}

std::uint32_t FaultEnv::TickCount() {
  if (!tick_) return target()->TickCount();
  std::uint32_t now = *tick_;
  *tick_ += tickStep_;
  return now;
}

}  // namespace vantor::testing
