// An Env over the real one that fails chosen calls, and a clock the test sets. Every
// call that can fail is counted in the order it is made, so a test can fail the Nth
// call of all (once, or from then on) or the Nth call of one kind.
#ifndef VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
#define VANTOR_TESTS_SUPPORT_FAULT_ENV_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "engine/platform/env.h"

namespace vantor::testing {

enum class Call { OpenRead, Read, Write, Sync, Close, TempName, SetMode, Rename };

// The text the engine raises when a call of `kind` fails.
inline const char* ErrorTextOf(Call kind) {
  switch (kind) {
    case Call::OpenRead: return "failed to open file";
    case Call::Read:
      return "failed to read file";
    case Call::Write:
    case Call::Sync:
    case Call::Close: return "failed to write data";
    case Call::TempName: return "failed to get temp file name";
    case Call::SetMode:
    case Call::Rename: return "Failed to rename file";
  }
  return "";
}

class FaultEnv final : public EnvWrapper {
 public:
  explicit FaultEnv(Env* base = Env::Default()) : EnvWrapper(base) {}

  // Fails the `n`th counted call (1-based); with `onward`, every call from it on.
  void FailAt(std::uint64_t n, bool onward = false) {
    failAt_ = n;
    onward_ = onward;
    faults_.clear();
  }
  // Fails the `n`th call of `kind` (1-based).
  void FailCallOf(Call kind, int n) { failOfKind_[kind] = n; }
  void ClearFaults() {
    failAt_ = 0;
    failOfKind_.clear();
    faults_.clear();
  }
  std::uint64_t calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  int callsOf(Call kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = perKind_.find(kind);
    return it == perKind_.end() ? 0 : it->second;
  }
  // The kinds of the calls made to fail since the faults were set. Files are written
  // on a second thread, so from the Nth call on, a write and a read may both fail and
  // either error may end the run.
  std::set<Call> faults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
  }
  // The texts the run may end with after the faults so far.
  std::set<std::string> FaultTexts() const {
    std::set<std::string> texts;
    for (Call kind : faults()) texts.insert(ErrorTextOf(kind));
    return texts;
  }

  // A fixed clock; each read advances it by `step`.
  void SetTick(std::uint32_t tick, std::uint32_t step = 0) {
    tick_ = tick;
    tickStep_ = step;
  }

  // Counts a call of `kind`; false when it is to fail.
  bool Allow(Call kind);

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override;
  std::unique_ptr<WritableFile> CreateTempFile(const std::string& directory,
                                               std::string* name) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool SetMode(const std::string& name, std::uint32_t mode) override;
  bool SyncFile(const std::string& name) override {
    return Allow(Call::Sync) && target()->SyncFile(name);
  }
  std::uint32_t TickCount() override;

 private:
  std::uint64_t calls_ = 0;
  std::uint64_t failAt_ = 0;
  bool onward_ = false;
  std::set<Call> faults_;
  mutable std::mutex mutex_;  // the Allow of a write may come from the writer's thread
  std::map<Call, int> failOfKind_;
  std::map<Call, int> perKind_;
  std::optional<std::uint32_t> tick_;
  std::uint32_t tickStep_ = 0;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
