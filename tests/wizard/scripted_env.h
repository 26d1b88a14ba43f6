// The Env that the wizard's run tests give the processing page.
#ifndef VANTOR_TESTS_WIZARD_SCRIPTED_ENV_H_
#define VANTOR_TESTS_WIZARD_SCRIPTED_ENV_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "engine/platform/env.h"
#include "tests/wizard/wizard_driver.h"

namespace vantor::wizard::test {

// The real Env with a clock the test can fix, a read that waits, and a full path that
// can fail. Safe to use from the worker and the user-interface thread at once.
class ScriptedEnv final : public EnvWrapper {
 public:
  explicit ScriptedEnv(Env* base = Env::Default()) : EnvWrapper(base), m_base(base) {}

  void SetTick(std::optional<std::uint32_t> tick) {
    m_fixed.store(tick.has_value());
    m_tick.store(tick.value_or(0));
  }
  void FailFullPath(bool fail) { m_failFullPath = fail; }
  // The `n`th read of any file (1-based) waits until `release` answers true, or at most
  // kRunLimitMs.
  void HoldRead(int n, std::function<bool()> release) {
    m_holdAt = n;
    m_release = std::move(release);
  }
  bool holding() const { return m_holding.load(); }
  int reads() const { return m_reads.load(); }

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    std::unique_ptr<ReadableFile> file = m_base->OpenForReading(name);
    if (!file) return file;
    return std::make_unique<HeldFile>(std::move(file), this);
  }
  std::string FullPath(const std::string& name) override {
    return m_failFullPath ? std::string() : m_base->FullPath(name);
  }
  std::string RealPath(const std::string& name) override {
    return m_failFullPath ? std::string() : m_base->RealPath(name);
  }
  std::uint32_t TickCount() override {
    return m_fixed.load() ? m_tick.load() : m_base->TickCount();
  }

 private:
  class HeldFile final : public ReadableFile {
   public:
    HeldFile(std::unique_ptr<ReadableFile> file, ScriptedEnv* env)
        : m_file(std::move(file)), m_env(env) {}
    bool Read(char* dst, std::size_t n, std::size_t* got) override {
      m_env->OnRead();
      return m_file->Read(dst, n, got);
    }

   private:
    std::unique_ptr<ReadableFile> m_file;
    ScriptedEnv* m_env;
  };

  void OnRead() {
    if (++m_reads != m_holdAt) return;
    m_holding = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunLimitMs);
    while (!m_release() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_holding = false;
  }

  Env* m_base;
  std::atomic<bool> m_fixed{false};
  std::atomic<std::uint32_t> m_tick{0};
  std::atomic<bool> m_failFullPath{false};
  std::atomic<int> m_reads{0};
  int m_holdAt = 0;  // set before the run starts
  std::function<bool()> m_release;
  std::atomic<bool> m_holding{false};
};

}  // namespace vantor::wizard::test

#endif  // VANTOR_TESTS_WIZARD_SCRIPTED_ENV_H_
