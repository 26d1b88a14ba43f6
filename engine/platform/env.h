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
#include <string_view>
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
  // a later SyncFileIn then finds most of it done.
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
// place. Inspect follows links; InspectIn does not, and tells a link as one.
struct FileFacts {
  bool exists = false;
  bool regular = false;
  bool directory = false;
  bool link = false;
  bool writable = false;   // a regular file whose contents the user may replace
  std::uint32_t mode = 0;  // permission bits, set-id and sticky bits included
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint64_t size = 0;  // of a regular file, in bytes
  FileId id;
};

// A folder opened once: the files made, linked, renamed and removed in it through the
// Env stay in it, whatever is later done to the path that led to it (a folder renamed
// away and a link put in its place moves nothing of ours).
class Folder {
 public:
  virtual ~Folder() = default;
  // The real path the folder was opened at. The names of its files that the Env hands
  // out are this path, a '/' and their own name.
  virtual const std::string& path() const = 0;
  virtual FileId id() const = 0;
};

// Where a file the job will put in place goes: the user's name with the links on the
// way resolved once. A link is followed only where the system itself would follow it
// for a process of this user in a folder others share: when the link is the user's or
// the folder owner's, or the folder is not both sticky and writable by all.
struct Placement {
  enum class Refusal {
    kNone,
    kNoFolder,    // the folder the user named does not exist
    kSystem,      // the name cannot be used: `reason` says why, in the system's words
    kSharedLink,  // a link owned by another user in a shared folder
  };
  Refusal refusal = Refusal::kNone;
  std::string reason;
  std::string folder;  // the real path of the folder the file is (or will be) in
  std::string name;    // its name there
};

// How KeepLink went.
enum class KeepResult {
  kKept,
  kNoHardLinks,  // the file system makes no second name for a file
  kFailed,
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

  // Opens the folder at the real path `path`, one component at a time, following no
  // link. Null on failure, with a note.
  virtual std::unique_ptr<Folder> OpenFolder(const std::string& path) = 0;
  // Creates a new file "vnt<unique>.tmp" in `folder`, readable and writable by the user
  // only, and opens it: it is written through what is returned, never opened again for
  // writing by name. Stores its name (the folder's path, '/', its own); null on failure.
  virtual std::unique_ptr<WritableFile> CreateTempFile(Folder& folder, std::string* name) = 0;
  // The facts of the entry `name` of `folder`; a link is not followed.
  virtual FileFacts InspectIn(Folder& folder, const std::string& name) = 0;
  // Gives the file `name` of `folder` a second name "vnt<unique>.tmp" in the same
  // folder and stores it in `kept`: the file lives on under it when `name` is replaced.
  virtual KeepResult KeepLink(Folder& folder, const std::string& name, std::string* kept) = 0;
  // Atomically puts the entry `fromName` of `from` in the place of `toName` of `to`,
  // replacing an existing one (a link there is replaced itself, not followed). A
  // temporary file of this Env is only moved while it is still the file created.
  virtual bool RenameIn(Folder& from, const std::string& fromName, Folder& to,
                        const std::string& toName) = 0;
  virtual bool DeleteIn(Folder& folder, const std::string& name) = 0;
  // Permission bits, and owner and group, of the file `name` of `folder` (links are
  // not followed). SetOwnerIn is false when the process may not give the file away.
  virtual bool SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) = 0;
  virtual bool SetOwnerIn(Folder& folder, const std::string& name, std::uint32_t owner,
                          std::uint32_t group) = 0;
  // Gives the file `name` of `folder`, about to replace the entry `target` of `to`, what
  // the system keeps beside the mode and owner: on Windows the replaced file's security
  // descriptor and attributes, or for a new name the rights a new file in `to` gets.
  // POSIX systems say all of it with SetOwnerIn and SetModeIn.
  virtual bool TakeAccessOf(Folder&, const std::string&, Folder&, const std::string&) {
    return true;
  }
  // Makes the names made and removed in `folder` durable.
  virtual bool SyncFolder(Folder& folder) = 0;
  // Where the file the user named `name` is put in place (see Placement).
  virtual Placement Place(const std::string& name) = 0;

  virtual FileFacts Inspect(const std::string& name) = 0;
  // Whether another program holds the existing file `name` open in a way that keeps it
  // from being replaced (Windows). POSIX systems replace a file whoever has it open.
  virtual bool InUse(const std::string&) { return false; }
  // The mode a newly created file gets: 0666 less the process's umask.
  virtual std::uint32_t NewFileMode() = 0;
  // Pushes the contents of the closed file `name` of `folder` to the disk; a link is
  // not followed.
  virtual bool SyncFileIn(Folder& folder, const std::string& name) = 0;
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

  // How many more files the process may have open at once; kManyFiles where no limit
  // is near.
  static constexpr std::size_t kManyFiles = static_cast<std::size_t>(-1);
  virtual std::size_t FilesLeftToOpen() { return kManyFiles; }
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
  std::unique_ptr<Folder> OpenFolder(const std::string& path) override {
    return target_->OpenFolder(path);
  }
  std::unique_ptr<WritableFile> CreateTempFile(Folder& folder, std::string* name) override {
    return target_->CreateTempFile(folder, name);
  }
  FileFacts InspectIn(Folder& folder, const std::string& name) override {
    return target_->InspectIn(folder, name);
  }
  KeepResult KeepLink(Folder& folder, const std::string& name, std::string* kept) override {
    return target_->KeepLink(folder, name, kept);
  }
  bool RenameIn(Folder& from, const std::string& fromName, Folder& to,
                const std::string& toName) override {
    return target_->RenameIn(from, fromName, to, toName);
  }
  bool DeleteIn(Folder& folder, const std::string& name) override {
    return target_->DeleteIn(folder, name);
  }
  bool SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) override {
    return target_->SetModeIn(folder, name, mode);
  }
  bool SetOwnerIn(Folder& folder, const std::string& name, std::uint32_t owner,
                  std::uint32_t group) override {
    return target_->SetOwnerIn(folder, name, owner, group);
  }
  bool TakeAccessOf(Folder& folder, const std::string& name, Folder& to,
                    const std::string& target) override {
    return target_->TakeAccessOf(folder, name, to, target);
  }
  bool SyncFolder(Folder& folder) override { return target_->SyncFolder(folder); }
  Placement Place(const std::string& name) override { return target_->Place(name); }
  FileFacts Inspect(const std::string& name) override { return target_->Inspect(name); }
  bool InUse(const std::string& name) override { return target_->InUse(name); }
  std::uint32_t NewFileMode() override { return target_->NewFileMode(); }
  bool SyncFileIn(Folder& folder, const std::string& name) override {
    return target_->SyncFileIn(folder, name);
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
  std::size_t FilesLeftToOpen() override { return target_->FilesLeftToOpen(); }

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

// A name "vnt<unique>.tmp" for a new temporary file: the process, the clock and a
// counter are mixed so that two processes sharing a folder rarely collide; creating the
// file only where the name is free settles the rest.
std::string UniqueTempName(std::uint64_t process, std::uint64_t clock);

// The folder's path, '/', and `name`: the name the Env gives a file of `folder`.
std::string NameIn(const Folder& folder, const std::string& name);

// The directory part of an absolute path ("/a/b" for "/a/b/c", "/" for "/c"; on
// Windows "C:/" for "C:/c" too).
std::string DirectoryOf(const std::string& path);

// The characters that end a path component: "/", and on Windows "\\" as well.
extern const char kPathSeparators[];

// Whether the system takes names that differ only in letter case for one name
// (Windows does).
extern const bool kNamesIgnoreCase;

// Whether `a` and `b` name the same entry of one folder, as the system compares names:
// byte for byte, or with ASCII letters folded where names ignore case. Letters beyond
// ASCII are compared as they stand.
bool SameName(std::string_view a, std::string_view b);

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_ENV_H_
