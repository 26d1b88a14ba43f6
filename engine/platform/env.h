// The engine's only door to the operating system. Every file the actions touch is
// opened, read, written, synced, renamed and deleted through an Env, so that tests can
// put a wrapper in between that fails any one of those calls.
//
// An Env is used by one worker thread at a time; the default one is stateless and may
// be shared.
#ifndef VANTOR_ENGINE_PLATFORM_ENV_H_
#define VANTOR_ENGINE_PLATFORM_ENV_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantor {

// A file open for reading from its start.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `n` bytes into `dst`, looping until `n` bytes are read or the file ends;
  // `*got` is the count. A count below `n` means end of file. False on an error.
  virtual bool Read(char* dst, std::size_t n, std::size_t* got) = 0;
};

// A file open for writing, truncated when opened.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all `n` bytes or fails.
  virtual bool Write(const char* src, std::size_t n) = 0;
  // Pushes what was written to the disk.
  virtual bool Sync() = 0;
  // Asks the system to start writing what was written to the disk, without waiting;
  // a later SyncFile then finds most of it done.
  virtual void StartWriteback() {}
  // Closes the file; later calls fail. The destructor closes a file left open.
  virtual bool Close() = 0;
};

// What the commit needs to know of an existing destination.
struct FileFacts {
  bool exists = false;
  bool writable = false;    // the user may replace its contents
  std::uint32_t mode = 0;   // permission bits
};

class Env {
 public:
  virtual ~Env() = default;

  // The real operating system. Never deleted.
  static Env* Default();

  // Null when the file does not exist, cannot be read, or is not a regular file.
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) = 0;
  // Creates or truncates `name`. Null on failure.
  virtual std::unique_ptr<WritableFile> OpenForWriting(const std::string& name) = 0;
  // Creates a new, empty file "vnt<unique>.tmp" in `directory`, readable and writable by
  // the user only, and stores its name. False on failure.
  virtual bool MakeTempFile(const std::string& directory, std::string* name) = 0;
  virtual bool Delete(const std::string& name) = 0;
  // Atomically puts `from` in the place of `to`, replacing an existing `to`.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual FileFacts Inspect(const std::string& name) = 0;
  virtual bool SetMode(const std::string& name, std::uint32_t mode) = 0;
  // The mode a newly created file gets: 0666 less the process's umask.
  virtual std::uint32_t NewFileMode() = 0;
  // Pushes the contents of the closed file `name` to the disk.
  virtual bool SyncFile(const std::string& name) = 0;
  // Makes a rename inside `directory` durable. Best effort.
  virtual bool SyncDirectory(const std::string& directory) = 0;

  // Absolute, lexically normalised form of `name` (which need not exist). Empty when it
  // cannot be made.
  virtual std::string FullPath(const std::string& name) = 0;
  // The place for the temporary files of an action whose destination is the absolute
  // path `destination`: "TEMP" at the root of the destination's file system when that
  // is a directory on the same file system, else the destination's own directory.
  virtual std::string TempDirectoryFor(const std::string& destination) = 0;

  // Milliseconds of a monotonic clock; wraps at 2^32.
  virtual std::uint32_t TickCount() = 0;
};

// The directory part of an absolute path ("/a/b" for "/a/b/c", "/" for "/c").
std::string DirectoryOf(const std::string& path);

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_ENV_H_
