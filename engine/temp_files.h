// The temporary files of one run: every list an action writes is one, made in the
// run's temporary folder or beside the destination (the job's result, so that putting
// it in place is a rename within its folder). Each is removed when the run ends, unless
// it was handed over to the commit first. Names are full paths; the files themselves
// are reached through the folder each was made in.
//
// Made by ActionRunner for one run and used on the worker thread only.
#ifndef VANTOR_ENGINE_TEMP_FILES_H_
#define VANTOR_ENGINE_TEMP_FILES_H_

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "engine/commit.h"
#include "engine/platform/env.h"

namespace vantor {

class TempFiles {
 public:
  // The temporary folder `directory` is opened through `commit` when the first file is
  // made there, so that a folder the commit also puts results in is opened once. `env`
  // and `commit` must outlive this.
  TempFiles(Env* env, JobCommit& commit, std::string directory)
      : env_(env), commit_(commit), directory_(std::move(directory)) {}
  // Removes the files not handed over.
  ~TempFiles() { RemoveAll(); }
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

  // Where the job's result is made: `folder`, else the temporary folder.
  void SetResultFolder(Folder* folder) { resultFolder_ = folder; }
  Folder* ResultFolder() { return resultFolder_ ? resultFolder_ : TempFolder(); }

  // Creates a new file, open for writing, in `folder` or else in the temporary folder,
  // and stores its name. Raises "failed to get temp file name".
  std::unique_ptr<WritableFile> Create(std::string* name, Folder* folder = nullptr);
  // Removes the file `name` now; nothing when it is none of the run's.
  void Delete(const std::string& name);
  // Pushes the closed file `name` to the disk; false, with a note, when that fails.
  bool Sync(const std::string& name);
  // Takes `name` out of the run's files, for the commit to put in place: the folder it
  // is in and its name there. Raises "Failed to rename file" when it is none of them.
  std::pair<Folder*, std::string> HandOver(const std::string& name);
  void RemoveAll();

 private:
  Folder* TempFolder();

  Env* env_;
  JobCommit& commit_;
  std::string directory_;
  Folder* tempFolder_ = nullptr;
  Folder* resultFolder_ = nullptr;
  // Each file's folder and its name there.
  std::map<std::string, std::pair<Folder*, std::string>> files_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_TEMP_FILES_H_
