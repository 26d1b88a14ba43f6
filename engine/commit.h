// The files a job puts in place (its destination, the parts of a split) and the one
// short phase at the end of the job that puts them all there, or none.
//
// Each result is written as a temporary file first; nothing the user can see changes
// while the actions run. The commit then checks every target again, keeps each file it
// replaces under a second name in the same folder, and renames the results into place
// one after the other; when a step fails, the steps already made are undone in reverse
// order, so the user has the old files back. Every folder is opened once, when its
// first target is added, and every name is made relative to it.
//
// Used by the worker thread only.
#ifndef VANTOR_ENGINE_COMMIT_H_
#define VANTOR_ENGINE_COMMIT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/platform/env.h"

namespace vantor {

// A file the job reads, and the file its name led to: no part of a split may take its
// place.
struct ReadFile {
  std::string name;
  FileId id;
  bool filter = false;       // the filter file, rather than a list
  bool suppression = false;  // the suppression file
};
using ReadFiles = std::vector<ReadFile>;

class JobCommit {
 public:
  // `env` must outlive the commit.
  explicit JobCommit(Env* env) : env_(env) {}
  // Removes the results not put in place.
  ~JobCommit() { Discard(); }
  JobCommit(const JobCommit&) = delete;
  JobCommit& operator=(const JobCommit&) = delete;

  // The folder at the real path `path`, opened at its first use and held until the job
  // ends. Null when it cannot be opened; the failure is noted.
  Folder* OpenFolder(const std::string& path);

  // Adds the file the user named `name` as the place of a result; returns its number.
  // A link is followed as Env::Place says. A part of a split (`part`) may not take the
  // place of a file the job reads. Raises `text` (with the file and the system's
  // reason) when the name cannot be used or its folder cannot be opened, and "link
  // owned by another user in a shared folder" for such a link. A part is refused at the
  // commit with `readText` when it would replace a file the job reads; null gives the
  // split's texts.
  std::size_t AddTarget(const std::string& name, bool part, const char* text,
                        const char* readText = nullptr);
  Folder& FolderOf(std::size_t target) { return *targets_[target].folder; }
  std::size_t count() const { return targets_.size(); }

  // The finished temporary file `tempName` (the entry `tempLeaf` of `tempFolder`) is
  // what the commit puts in place of `target`. The commit owns it from now on.
  void SetResult(std::size_t target, Folder& tempFolder, const std::string& tempLeaf,
                 const std::string& tempName);
  // The temporary file of `target`'s result, if one is set.
  const std::string& ResultOf(std::size_t target) const { return targets_[target].temp; }

  // Puts every result in place, or none. First checks each target again: its folder is
  // still the one opened, and the file at its name is absent or a regular file the user
  // may replace (and, for a part, none of `reads`). A result keeps the owner, group and
  // permission bits of the file it replaces (set-id bits only with the owner); a new
  // file gets 0666 less the umask. Raises "Failed to rename file" with the file and the
  // reason, after undoing what was done. Where the file system cannot keep a replaced
  // file under a second name, that file is replaced without a way back.
  void Commit(const ReadFiles& reads);

  // Removes the results not put in place and forgets every target.
  void Discard();

 private:
  struct Target {
    std::string name;  // as the user named it, for messages
    bool part = false;
    const char* readText = nullptr;  // of a part that would replace a file the job reads
    Folder* folder = nullptr;
    std::string leaf;  // its name in `folder`
    // The result.
    Folder* tempFolder = nullptr;
    std::string tempLeaf;
    std::string temp;
    // How the commit went for it.
    bool existed = false;
    std::string kept;  // the old file's second name, while the commit may be undone
    bool done = false;
  };

  // Raises when `target` may not be put in place now. `checked` holds the folders
  // found unchanged so far.
  void Check(const Target& target, const ReadFiles& reads, std::vector<Folder*>* checked);
  // Puts `target` in place; false (with a note) when a step failed.
  bool PutInPlace(Target& target);
  // Undoes every step made, last first. Returns what could not be undone, for the
  // error's detail ("; the old 'out.txt' is kept as '/lists/vnt1234abcd.tmp'", or that
  // a file was replaced where no second name could keep it).
  std::string Undo();
  // Syncs every folder a result went to; false (with a note) when one failed.
  bool SyncFolders();

  Env* env_;
  std::vector<std::unique_ptr<Folder>> folders_;
  std::vector<Target> targets_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_COMMIT_H_
