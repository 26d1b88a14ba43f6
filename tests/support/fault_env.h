// An Env over the real one that fails chosen calls, and a clock the test sets. Every
// call that can fail is counted in the order it is made, so a test can fail the Nth
// call of all (once, or from then on) or the Nth call of one kind.
#ifndef VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
#define VANTOR_TESTS_SUPPORT_FAULT_ENV_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/platform/env.h"

namespace vantor::testing {

enum class Call { OpenRead, Read, OpenWrite, Write, Sync, Close, TempName, SetMode, Rename };

class FaultEnv final : public Env {
 public:
  explicit FaultEnv(Env* base = Env::Default()) : base_(base) {}

  // Fails the `n`th counted call (1-based); with `onward`, every call from it on.
  void FailAt(std::uint64_t n, bool onward = false) {
    failAt_ = n;
    onward_ = onward;
  }
  // Fails the `n`th call of `kind` (1-based).
  void FailCallOf(Call kind, int n) { failOfKind_[kind] = n; }
  void ClearFaults() {
    failAt_ = 0;
    failOfKind_.clear();
  }
  std::uint64_t calls() const { return calls_; }
  int callsOf(Call kind) const {
    auto it = perKind_.find(kind);
    return it == perKind_.end() ? 0 : it->second;
  }
  // True when the last counted call was made to fail.
  bool faulted() const { return faulted_; }

  // A fixed clock; each read advances it by `step`.
  void SetTick(std::uint32_t tick, std::uint32_t step = 0) {
    tick_ = tick;
    tickStep_ = step;
  }

  // Counts a call of `kind`; false when it is to fail.
  bool Allow(Call kind);

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override;
  std::unique_ptr<WritableFile> OpenForWriting(const std::string& name) override;
  bool MakeTempFile(const std::string& directory, std::string* name) override;
  bool Delete(const std::string& name) override { return base_->Delete(name); }
  bool Rename(const std::string& from, const std::string& to) override;
  FileFacts Inspect(const std::string& name) override { return base_->Inspect(name); }
  bool SetMode(const std::string& name, std::uint32_t mode) override;
  std::uint32_t NewFileMode() override { return base_->NewFileMode(); }
  bool SyncDirectory(const std::string& directory) override {
    return base_->SyncDirectory(directory);
  }
  std::string FullPath(const std::string& name) override { return base_->FullPath(name); }
  std::string TempDirectoryFor(const std::string& destination) override {
    return base_->TempDirectoryFor(destination);
  }
  std::uint32_t TickCount() override;

 private:
  Env* base_;
  std::uint64_t calls_ = 0;
  std::uint64_t failAt_ = 0;
  bool onward_ = false;
  bool faulted_ = false;
  std::map<Call, int> failOfKind_;
  std::map<Call, int> perKind_;
  std::optional<std::uint32_t> tick_;
  std::uint32_t tickStep_ = 0;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
