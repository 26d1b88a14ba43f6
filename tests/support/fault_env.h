// An Env over the real one that fails chosen calls, cuts the power, holds a read, and
// has a clock the test sets. Every call that can fail is counted in the order it is
// made, so a test can fail the Nth call of all (once, or from then on) or the Nth call
// of one kind. Every member may be called from any thread: files are written on a
// second thread, and a front end's test drives the Env while its worker runs.
#ifndef VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
#define VANTOR_TESTS_SUPPORT_FAULT_ENV_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/platform/env.h"

namespace vantor::testing {

enum class Call {
  OpenRead,
  Read,
  Write,
  Copy,  // bytes of a file appended to another (WritableFile::CopyFrom)
  Sync,
  Close,
  TempName,
  SetMode,
  Link,  // a second name kept for a file the commit replaces
  Rename,
  Delete,
  FullPath,
  SyncDirectory,
};

inline constexpr Call kAllCalls[] = {
    Call::OpenRead, Call::Read,     Call::Write,        Call::Copy, Call::Sync,
    Call::Close,    Call::TempName, Call::SetMode,      Call::Link, Call::Rename,
    Call::Delete,   Call::FullPath, Call::SyncDirectory};

// The text the engine raises when a call of `kind` fails; null for the calls the
// engine goes on without: a Delete only cleans up, and a name that cannot be made
// absolute is used as given. A folder's sync that fails before the commit is done
// undoes it; one that fails while it tidies up is let pass.
inline const char* ErrorTextOf(Call kind) {
  switch (kind) {
    case Call::OpenRead:
      return "failed to open file";
    case Call::Read:
      return "failed to read file";
    case Call::Write:
    case Call::Copy:
    case Call::Sync:
    case Call::Close:
      return "failed to write data";
    case Call::TempName:
      return "failed to get temp file name";
    case Call::SetMode:
    case Call::Link:
    case Call::Rename:
    case Call::SyncDirectory:
      return "Failed to rename file";
    case Call::Delete:
    case Call::FullPath:
      return nullptr;
  }
  return nullptr;
}

// The note a failed call leaves for the error it causes (see NoteFailure).
inline constexpr char kInjectedFault[] = "injected fault";

class FaultEnv final : public EnvWrapper {
 public:
  explicit FaultEnv(Env* base = Env::Default()) : EnvWrapper(base) {}

  // Fails the `n`th counted call (1-based); with `onward`, every call from it on.
  void FailAt(std::uint64_t n, bool onward = false);
  // Fails the `n`th call of `kind` (1-based).
  void FailCallOf(Call kind, int n);
  // Ends the faults and a power cut, and forgets which calls failed.
  void ClearFaults();

  // The power goes off at the `n`th counted call: from it on every call fails. From
  // now on the files written through this Env, and the names it makes, are followed
  // so that PowerOn can leave what a real disk would hold. Names must be absolute.
  void CutPowerAt(std::uint64_t n);
  // Makes the files what the disk holds after the cut, and clears the faults. Each file
  // written since CutPowerAt keeps only the bytes a sync of it made durable. With
  // `loseNames`, every name made since its folder's last SyncFolder is undone, the
  // last first: a created file is gone, a renamed one has its old name back and the
  // file it replaced returns. A Delete is taken as durable at once.
  void PowerOn(bool loseNames);

  std::uint64_t calls() const;
  int callsOf(Call kind) const;
  // The kinds of the calls made to fail since the faults were set. Files are written
  // on a second thread, so from the Nth call on, a write and a read may both fail and
  // either error may end the run.
  std::set<Call> faults() const;
  // The texts the run may end with after the faults so far.
  std::set<std::string> FaultTexts() const;

  // The `n`th read (1-based, counting every read of this Env) waits until `release`
  // answers true, or a minute has passed; `release` is asked from the reading thread.
  void HoldRead(int n, std::function<bool()> release);
  // Whether a read is waiting now.
  bool holding() const { return holding_.load(); }
  // Every FullPath, RealPath and Place fails while `fail` holds.
  void FailFullPath(bool fail) { failFullPath_.store(fail); }

  // A fixed clock, each read of it advancing it by `step`; nullopt for the real one.
  void SetTick(std::optional<std::uint32_t> tick, std::uint32_t step = 0);

  // Counts a call of `kind`; false when it is to fail. Waits first when it is the
  // read to hold.
  bool Allow(Call kind);

  // The bytes of a written file, and how many of them a sync made durable.
  struct Written {
    std::uint64_t size = 0;
    std::uint64_t synced = 0;
  };
  // Called by the files this Env hands out.
  void Wrote(const std::shared_ptr<Written>& file, std::size_t n);
  void Synced(const std::shared_ptr<Written>& file);

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override;
  std::unique_ptr<WritableFile> CreateTempFile(Folder& folder, std::string* name) override;
  KeepResult KeepLink(Folder& folder, const std::string& name, std::string* kept) override;
  bool RenameIn(Folder& from, const std::string& fromName, Folder& to,
                const std::string& toName) override;
  bool DeleteIn(Folder& folder, const std::string& name) override;
  bool SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) override;
  bool SyncFileIn(Folder& folder, const std::string& name) override;
  bool SyncFolder(Folder& folder) override;
  std::string FullPath(const std::string& name) override;
  std::string RealPath(const std::string& name) override;
  Placement Place(const std::string& name) override;
  std::uint32_t TickCount() override;

 private:
  // A name made in `folder` since its last sync: a file created at `name`, or moved
  // there from `from`, in place of `replaced` (the bytes of the file that stood there).
  struct NameChange {
    std::string folder;
    std::string name;
    std::string from;
    std::optional<std::string> replaced;
  };
  void ClearFaultsLocked();

  mutable std::mutex mutex_;  // guards all below
  std::uint64_t calls_ = 0;
  std::uint64_t failAt_ = 0;
  bool onward_ = false;
  std::set<Call> faults_;
  std::map<Call, int> failOfKind_;
  std::map<Call, int> perKind_;
  std::optional<std::uint32_t> tick_;
  std::uint32_t tickStep_ = 0;
  int holdAt_ = 0;
  std::function<bool()> release_;
  // While the power cut is armed: the files written, by their present name, and the
  // names not yet made durable, oldest first.
  bool tracking_ = false;
  std::map<std::string, std::shared_ptr<Written>> written_;
  std::vector<NameChange> unsyncedNames_;

  std::atomic<bool> holding_{false};
  std::atomic<bool> failFullPath_{false};
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_FAULT_ENV_H_
