// The engine's only door to the operating system. Every file the actions touch is
// opened, read, written, synced, renamed and deleted through an Env, so that tests can
// put a wrapper in between that fails any one of those calls.
//
// An Env is used by one worker thread at a time; the default one may be shared.
#ifndef VANTOR_ENGINE_PLATFORM_ENV_H_
#define VANTOR_ENGINE_PLATFORM_ENV_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantor {

// A file open for reading from its start.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `n` bytes into `dst`, looping until `n` bytes are read or the file ends;
  // `*got` is the count. A count below `n` means end of file. False on an error.
  virtual bool Read(char* dst, std::size_t n, std::size_t* got) = 0;
  // Reads as Read does, from byte `offset` of the file, without moving where Read and
  // copies from the file go on from.
  virtual bool ReadAt(std::uint64_t offset, char* dst, std::size_t n, std::size_t* got) = 0;
};

// A new file open for writing.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all `n` bytes or fails.
  virtual bool Write(const char* src, std::size_t n) = 0;
  // Appends the next bytes of `source`, from where its reads have got to, until `n` are
  // copied or `source` ends: `*copied` is the count, `*last` the last byte copied (left
  // as it was when none was). `buffer`, of `size` bytes (at least 1), may carry the bytes
  // on their way. False when reading or writing fails. This one reads and writes; a
  // system that can copy between files without the bytes passing through the process
  // does that instead.
  virtual bool CopyFrom(ReadableFile& source, std::uint64_t n, char* buffer, std::size_t size,
                        std::uint64_t* copied, char* last) {
    *copied = 0;
    while (*copied < n) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n - *copied, size));
      std::size_t got = 0;
      if (!source.Read(buffer, want, &got)) return false;
      if (got == 0) break;
      if (!Write(buffer, got)) return false;
      *copied += got;
      *last = buffer[got - 1];
      if (got < want) break;
    }
    return true;
  }
  // Pushes what was written to the disk.
  virtual bool Sync() = 0;
  // Asks the system to start writing what was written to the disk, without waiting;
  // a later SyncFile then finds most of it done.
  virtual void StartWriteback() {}
  // Closes the file; later calls fail. The destructor closes a file left open.
  virtual bool Close() = 0;
};

// The same device and inode is the same file, whatever names lead to it.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// What the engine needs to know of a file before it reads it or puts another in its
// place. Links are followed.
struct FileFacts {
  bool exists = false;
  bool regular = false;
  bool directory = false;
  bool writable = false;   // a regular file whose contents the user may replace
  std::uint32_t mode = 0;  // permission bits, set-id and sticky bits included
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  FileId id;
};

class Env {
 public:
  virtual ~Env() = default;

  // The real operating system. Never deleted.
  static Env* Default();

  // Opens without blocking (a FIFO never hangs the run). Null when the file does not
  // exist, cannot be read, or is not a regular file. A temporary file of this Env is
  // only opened when it is still the file that was created under that name.
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) = 0;
  // Creates a new file "vnt<unique>.tmp" in `directory`, readable and writable by the
  // user only, and opens it: it is written through what is returned, never opened
  // again for writing by name. No link is followed on the way to it. Stores the name;
  // null on failure.
  virtual std::unique_ptr<WritableFile> CreateTempFile(const std::string& directory,
                                                       std::string* name) = 0;
  virtual bool Delete(const std::string& name) = 0;
  // Atomically puts `from` in the place of `to`, replacing an existing `to`; a link at
  // `to` is replaced itself, not followed.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual FileFacts Inspect(const std::string& name) = 0;
  // Permission bits and owner of a file of ours (links are not followed).
  virtual bool SetMode(const std::string& name, std::uint32_t mode) = 0;
  // False when the process may not give the file to that owner and group.
  virtual bool SetOwner(const std::string& name, std::uint32_t owner, std::uint32_t group) = 0;
  // The mode a newly created file gets: 0666 less the process's umask.
  virtual std::uint32_t NewFileMode() = 0;
  // Pushes the contents of the closed file `name` to the disk.
  virtual bool SyncFile(const std::string& name) = 0;
  // Makes a rename inside `directory` durable. Best effort.
  virtual bool SyncDirectory(const std::string& directory) = 0;
  // Whether the user may create and rename files in `directory`.
  virtual bool CanWriteInto(const std::string& directory) = 0;
  // The names in `directory`, without "." and "..". False when it cannot be read.
  virtual bool ListDirectory(const std::string& directory, std::vector<std::string>* names) = 0;

  // Absolute, lexically normalised form of `name` (which need not exist). Empty when it
  // cannot be made.
  virtual std::string FullPath(const std::string& name) = 0;
  // The file `name` stands for, without links and "..": an existing file's real path,
  // or the real path of its folder and its own name when it does not exist. Empty when
  // the folder does not exist, or when `name` is a link to nothing.
  virtual std::string RealPath(const std::string& name) = 0;
  // The place for the temporary files of an action whose destination is the real path
  // `destination`: "TEMP" at the root of the destination's file system when that is a
  // directory on the same file system that the user may write into and no other user
  // may empty under our feet (private, or sticky like /tmp); else the destination's own
  // directory. Either way the commit is a rename within one file system.
  virtual std::string TempDirectoryFor(const std::string& destination) = 0;

  // Milliseconds of a monotonic clock; wraps at 2^32.
  virtual std::uint32_t TickCount() = 0;
};

// An Env that hands every call to another; wrappers override what they change.
class EnvWrapper : public Env {
 public:
  // `target` must outlive the wrapper.
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    return target_->OpenForReading(name);
  }
  std::unique_ptr<WritableFile> CreateTempFile(const std::string& directory,
                                               std::string* name) override {
    return target_->CreateTempFile(directory, name);
  }
  bool Delete(const std::string& name) override { return target_->Delete(name); }
  bool Rename(const std::string& from, const std::string& to) override {
    return target_->Rename(from, to);
  }
  FileFacts Inspect(const std::string& name) override { return target_->Inspect(name); }
  bool SetMode(const std::string& name, std::uint32_t mode) override {
    return target_->SetMode(name, mode);
  }
  bool SetOwner(const std::string& name, std::uint32_t owner, std::uint32_t group) override {
    return target_->SetOwner(name, owner, group);
  }
  std::uint32_t NewFileMode() override { return target_->NewFileMode(); }
  bool SyncFile(const std::string& name) override { return target_->SyncFile(name); }
  bool SyncDirectory(const std::string& directory) override {
    return target_->SyncDirectory(directory);
  }
  bool CanWriteInto(const std::string& directory) override {
    return target_->CanWriteInto(directory);
  }
  bool ListDirectory(const std::string& directory, std::vector<std::string>* names) override {
    return target_->ListDirectory(directory, names);
  }
  std::string FullPath(const std::string& name) override { return target_->FullPath(name); }
  std::string RealPath(const std::string& name) override { return target_->RealPath(name); }
  std::string TempDirectoryFor(const std::string& destination) override {
    return target_->TempDirectoryFor(destination);
  }
  std::uint32_t TickCount() override { return target_->TickCount(); }

 private:
  Env* target_;
};

// What a user is told of a failed call besides the engine's own text: the file and the
// system's reason ("cannot open 'lists/a.txt': No such file or directory"). An Env notes
// it on the calling thread when a call the run cannot go on without fails (opening,
// reading, creating, writing, syncing, closing or renaming a file); the error raised
// for that failure takes it. Calls whose failure the engine tolerates note nothing, so
// that no stale note is given to a later error.
void NoteFailure(std::string note);
// The note of this thread, emptied.
std::string TakeFailureNote();
// "`what` 'name': reason", e.g. FailureNote("cannot open", "a.txt", "Permission denied").
std::string FailureNote(const char* what, const std::string& name, const std::string& reason);

// The directory part of an absolute path ("/a/b" for "/a/b/c", "/" for "/c"; on
// Windows "C:/" for "C:/c" too).
std::string DirectoryOf(const std::string& path);

// The characters that end a path component: "/", and on Windows "\\" as well.
extern const char kPathSeparators[];

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_ENV_H_
