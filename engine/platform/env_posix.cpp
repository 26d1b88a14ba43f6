// The Env of a POSIX system.
#include <dirent.h>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/platform/env.h"
#include "engine/platform/made_files.h"

namespace vantor {

namespace {

// Owns one descriptor; closes it unless it was closed explicitly. Every descriptor of
// this file is held by one, so no path, an error's included, leaves one open.
class Descriptor final {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ~Descriptor() { Close(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // False when there was nothing to close or closing failed.
  bool Close() {
    if (fd_ < 0) return false;
    int fd = fd_;
    fd_ = -1;
    // After EINTR the descriptor is gone on Linux; retrying could close another one.
    return ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

bool FsyncRetrying(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Notes why a call on `name` failed, in the system's words, and returns false.
bool Failed(const char* what, const std::string& name, int error = errno) {
  NoteFailure(FailureNote(what, name, std::generic_category().message(error)));
  return false;
}

constexpr char kReplacedText[] = "the temporary file was replaced";

FileId IdOf(const struct stat& st) {
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

void Describe(const struct stat& st, FileFacts* facts) {
  facts->exists = true;
  facts->regular = S_ISREG(st.st_mode);
  facts->directory = S_ISDIR(st.st_mode);
  facts->link = S_ISLNK(st.st_mode);
  facts->mode = st.st_mode & 07777;
  facts->owner = st.st_uid;
  facts->group = st.st_gid;
  facts->size = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  facts->id = IdOf(st);
}

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(Descriptor fd, std::string name) : fd_(std::move(fd)), name_(std::move(name)) {}
  int fd() const { return fd_.get(); }
  const std::string& name() const { return name_; }

  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    return ReadAll(n, got,
                   [&](std::size_t done) { return ::read(fd_.get(), dst + done, n - done); });
  }

  bool ReadAt(std::uint64_t offset, char* dst, std::size_t n, std::size_t* got) override {
    return ReadAll(n, got, [&](std::size_t done) {
      return ::pread(fd_.get(), dst + done, n - done, static_cast<off_t>(offset + done));
    });
  }

 private:
  // Calls `read(done)`, `done` being the count read so far, until `n` bytes are read
  // or the file ends.
  template <typename ReadNext>
  bool ReadAll(std::size_t n, std::size_t* got, ReadNext read) {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t r = read(done);
      if (r < 0) {
        if (errno == EINTR) continue;
        *got = done;
        return Failed("cannot read", name_);
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    *got = done;
    return true;
  }

  Descriptor fd_;
  std::string name_;
};

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(Descriptor fd, std::string name) : fd_(std::move(fd)), name_(std::move(name)) {}

  bool Write(const char* src, std::size_t n) override {
    while (n > 0) {
      ssize_t w = ::write(fd_.get(), src, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        return Failed("cannot write", name_);
      }
      if (w == 0) return Failed("cannot write", name_, ENOSPC);
      src += w;
      n -= static_cast<std::size_t>(w);
    }
    return true;
  }

  // Between two files of ours the bytes go from page cache to page cache in the kernel.
  bool CopyFrom(ReadableFile& source, std::uint64_t n, char* buffer, std::size_t size,
                std::uint64_t* copied, char* last) override {
    auto* from = dynamic_cast<PosixReadableFile*>(&source);
    if (!from || !copyInKernel_) {
      return WritableFile::CopyFrom(source, n, buffer, size, copied, last);
    }
    std::uint64_t inKernel = 0;
    while (inKernel < n) {
      const std::size_t step =
          static_cast<std::size_t>(std::min<std::uint64_t>(n - inKernel, std::uint64_t{1} << 30));
      const ssize_t r = ::copy_file_range(from->fd(), nullptr, fd_.get(), nullptr, step, 0);
      if (r > 0) {
        inKernel += static_cast<std::uint64_t>(r);
        continue;
      }
      if (r < 0 && errno == EINTR) continue;
      if (r == 0 && !Unread(from->fd())) break;  // the end of the source
      // A file system that cannot copy between these two (or a kernel without the
      // call, or one that says a file with bytes left is at its end): the rest goes
      // through the buffer, now and for the rest of this file.
      if (r < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        *copied = inKernel;
        return Failed("cannot write", name_);
      }
      copyInKernel_ = false;
      std::uint64_t rest = 0;
      const bool ok = WritableFile::CopyFrom(source, n - inKernel, buffer, size, &rest, last);
      *copied = inKernel + rest;
      if (!ok || rest > 0 || inKernel == 0) return ok;
      break;
    }
    *copied = inKernel;
    return inKernel == 0 || LastByteBefore(from->fd(), last) || Failed("cannot read", from->name());
  }

  bool Sync() override { return FsyncRetrying(fd_.get()) || Failed("cannot sync", name_); }

  void StartWriteback() override { ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE); }

  bool Close() override { return fd_.Close() || Failed("cannot close", name_); }

 private:
  // Whether the file `fd` reads has bytes after its read position.
  static bool Unread(int fd) {
    struct stat st;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    return at >= 0 && ::fstat(fd, &st) == 0 && st.st_size > at;
  }
  // The byte just before the read position of `fd`.
  static bool LastByteBefore(int fd, char* last) {
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    for (;;) {
      if (at <= 0) return false;
      const ssize_t r = ::pread(fd, last, 1, at - 1);
      if (r == 1) return true;
      if (r < 0 && errno == EINTR) continue;
      return false;
    }
  }

  Descriptor fd_;
  std::string name_;
  bool copyInKernel_ = true;
};

bool IsDirectory(const std::string& path, struct stat* st) {
  return ::stat(path.c_str(), st) == 0 && S_ISDIR(st->st_mode);
}

// Opens the directory `path` one component at a time, following no link: a folder that
// another user swaps for a link while the run goes on cannot send our files elsewhere.
Descriptor OpenDirectoryNoFollow(const std::string& path) {
  Descriptor at(
      ::open(path.empty() || path[0] != '/' ? "." : "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::size_t pos = 0;
  while (at.valid() && pos < path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    const std::string part = path.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    at = Descriptor(
        ::openat(at.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  }
  return at;
}

class PosixFolder final : public Folder {
 public:
  PosixFolder(Descriptor fd, std::string path, FileId id)
      : fd_(std::make_shared<Descriptor>(std::move(fd))), path_(std::move(path)), id_(id) {}
  const std::string& path() const override { return path_; }
  FileId id() const override { return id_; }
  int fd() const { return fd_->get(); }
  // Shared with the temporary files made in it, which may be read after the folder
  // object is gone.
  const std::shared_ptr<Descriptor>& shared() const { return fd_; }

 private:
  std::shared_ptr<Descriptor> fd_;
  std::string path_;
  FileId id_;
};

int FdOf(Folder& folder) { return static_cast<PosixFolder&>(folder).fd(); }

// The folder a temporary file of ours was made in, and its name there: the file is
// opened in that folder, even when the path that led to the folder now leads elsewhere.
struct MadeIn {
  std::shared_ptr<Descriptor> folder;
  std::string name;
};

// A new temporary file's name, made from this process and the clock.
std::string TempNameNow() {
  return vantor::UniqueTempName(static_cast<std::uint64_t>(::getpid()),
                                static_cast<std::uint64_t>(std::time(nullptr)));
}

std::string ReasonOf(int error) { return std::generic_category().message(error); }

// How often a chain of links is followed before it counts as a loop, as the kernel does.
constexpr int kMaxLinkHops = 40;

// The real path of a file that does not exist yet: its folder's real path and its name.
// Empty when the folder does not exist.
std::string NewFilePath(const std::string& name) {
  std::string trimmed = name;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::size_t slash = trimmed.find_last_of('/');
  const std::string base = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "." : trimmed.substr(0, slash + 1);
  if (base.empty() || base == "." || base == "..") return std::string();
  char* real = ::realpath(folder.c_str(), nullptr);
  if (!real) return std::string();
  std::string path(real);
  std::free(real);
  return (path == "/" ? path : path + "/") + base;
}

class PosixEnv final : public Env {
 public:
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    const std::optional<FileId> made = made_.Find(name);
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer forever.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    if (made) flags |= O_NOFOLLOW;
    const std::optional<MadeIn> in = madeIn_.Find(name);
    Descriptor fd(in ? ::openat(in->folder->get(), in->name.c_str(), flags)
                     : ::open(name.c_str(), flags));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
      Failed("cannot open", name);
      return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
      NoteFailure(FailureNote("cannot open", name, "not a regular file"));
      return nullptr;
    }
    if (made && IdOf(st) != *made) {
      NoteFailure(FailureNote("cannot open", name, kReplacedText));
      return nullptr;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixReadableFile>(std::move(fd), name);
  }

  std::unique_ptr<Folder> OpenFolder(const std::string& path) override {
    Descriptor fd = OpenDirectoryNoFollow(path);
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
      Failed("cannot open the folder", path);
      return nullptr;
    }
    return std::make_unique<PosixFolder>(std::move(fd), path, IdOf(st));
  }

  std::unique_ptr<WritableFile> CreateTempFile(Folder& folder, std::string* name) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string unique = TempNameNow();
      Descriptor fd(::openat(FdOf(folder), unique.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (fd.valid()) {
        struct stat st;
        if (::fstat(fd.get(), &st) != 0) {
          Failed("cannot create a file in", folder.path());
          ::unlinkat(FdOf(folder), unique.c_str(), 0);
          return nullptr;
        }
        *name = NameIn(folder, unique);
        made_.Remember(*name, IdOf(st));
        madeIn_.Remember(*name, {static_cast<PosixFolder&>(folder).shared(), unique});
        return std::make_unique<PosixWritableFile>(std::move(fd), *name);
      }
      if (errno != EEXIST) {
        Failed("cannot create a file in", folder.path());
        return nullptr;
      }
    }
    Failed("cannot create a file in", folder.path(), EEXIST);
    return nullptr;
  }

  FileFacts InspectIn(Folder& folder, const std::string& name) override {
    FileFacts facts;
    struct stat st;
    if (::fstatat(FdOf(folder), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return facts;
    Describe(st, &facts);
    facts.writable = facts.regular && (st.st_mode & 0222) != 0 &&
                     ::faccessat(FdOf(folder), name.c_str(), W_OK, 0) == 0;
    return facts;
  }

  KeepResult KeepLink(Folder& folder, const std::string& name, std::string* kept) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string unique = TempNameNow();
      if (::linkat(FdOf(folder), name.c_str(), FdOf(folder), unique.c_str(), 0) == 0) {
        *kept = unique;
        return KeepResult::kKept;
      }
      // EPERM is also how the kernel refuses a second name for another user's file
      // (protected hard links): either way no link can be kept.
      if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EMLINK) {
        return KeepResult::kNoHardLinks;
      }
      if (errno != EEXIST) {
        Failed("cannot keep the old file", NameIn(folder, name));
        return KeepResult::kFailed;
      }
    }
    Failed("cannot keep the old file", NameIn(folder, name), EEXIST);
    return KeepResult::kFailed;
  }

  bool RenameIn(Folder& from, const std::string& fromName, Folder& to,
                const std::string& toName) override {
    const std::string fromPath = NameIn(from, fromName);
    // A temporary file of ours that was replaced under its name is not put in place.
    if (const std::optional<FileId> made = made_.Find(fromPath)) {
      struct stat st;
      if (::fstatat(FdOf(from), fromName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          !S_ISREG(st.st_mode) || IdOf(st) != *made) {
        NoteFailure(FailureNote("cannot rename", fromPath, kReplacedText));
        return false;
      }
    }
    if (::renameat(FdOf(from), fromName.c_str(), FdOf(to), toName.c_str()) != 0) {
      return Failed("cannot rename", fromPath + "' to '" + NameIn(to, toName));
    }
    made_.Forget(fromPath);
    madeIn_.Forget(fromPath);
    return true;
  }

  bool DeleteIn(Folder& folder, const std::string& name) override {
    made_.Forget(NameIn(folder, name));
    madeIn_.Forget(NameIn(folder, name));
    return ::unlinkat(FdOf(folder), name.c_str(), 0) == 0;
  }

  bool SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) override {
    Descriptor fd(
        ::openat(FdOf(folder), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return (fd.valid() && ::fchmod(fd.get(), static_cast<mode_t>(mode)) == 0) ||
           Failed("cannot set the permissions of", NameIn(folder, name));
  }

  bool SetOwnerIn(Folder& folder, const std::string& name, std::uint32_t owner,
                  std::uint32_t group) override {
    return ::fchownat(FdOf(folder), name.c_str(), owner, group, AT_SYMLINK_NOFOLLOW) == 0;
  }

  bool SyncFolder(Folder& folder) override {
    return FsyncRetrying(FdOf(folder)) || Failed("cannot sync the folder", folder.path());
  }

  Placement Place(const std::string& name) override {
    Placement place;
    auto refuse = [&](Placement::Refusal refusal, const std::string& reason) {
      place.refusal = refusal;
      place.reason = reason;
      return place;
    };
    if (name.empty()) return refuse(Placement::Refusal::kSystem, ReasonOf(ENOENT));
    std::string path = name;
    for (int hops = 0;; ++hops) {
      const std::size_t slash = path.find_last_of('/');
      const std::string folder =
          slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
      std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
      char* resolved = ::realpath(folder.c_str(), nullptr);
      if (!resolved) {
        // Where a link leads into a folder that is not there, the link is what is wrong.
        const bool named = hops == 0 && errno == ENOENT;
        return refuse(named ? Placement::Refusal::kNoFolder : Placement::Refusal::kSystem,
                      ReasonOf(errno));
      }
      std::string real(resolved);
      std::free(resolved);
      if (leaf.empty() || leaf == "." || leaf == "..") {
        // A name that ends in a folder: the folder itself, which is no place for a list.
        if (leaf == "..") real = DirectoryOf(real);
        place.folder = DirectoryOf(real);
        place.name = real == "/" ? "." : real.substr(real.find_last_of('/') + 1);
        return place;
      }
      const std::string full = (real == "/" ? real : real + "/") + leaf;
      struct stat st;
      const bool exists = ::lstat(full.c_str(), &st) == 0;
      if (!exists && errno != ENOENT) return refuse(Placement::Refusal::kSystem, ReasonOf(errno));
      place.folder = real;
      place.name = leaf;
      if (!exists || !S_ISLNK(st.st_mode)) return place;
      // The link is followed once, and only as the system would follow it for us.
      struct stat holder;
      if (::stat(real.c_str(), &holder) != 0) {
        return refuse(Placement::Refusal::kSystem, ReasonOf(errno));
      }
      const bool shared = (holder.st_mode & S_ISVTX) && (holder.st_mode & S_IWOTH);
      if (shared && st.st_uid != ::geteuid() && st.st_uid != holder.st_uid) {
        return refuse(Placement::Refusal::kSharedLink, std::string());
      }
      if (hops >= kMaxLinkHops) return refuse(Placement::Refusal::kSystem, ReasonOf(ELOOP));
      std::vector<char> text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
      const ssize_t n = ::readlink(full.c_str(), text.data(), text.size());
      if (n < 0) return refuse(Placement::Refusal::kSystem, ReasonOf(errno));
      if (n == 0 || static_cast<std::size_t>(n) >= text.size()) {
        return refuse(Placement::Refusal::kSystem, ReasonOf(ENOENT));
      }
      std::string target(text.data(), static_cast<std::size_t>(n));
      path = target[0] == '/' ? target : (real == "/" ? real : real + "/") + target;
    }
  }

  FileFacts Inspect(const std::string& name) override {
    FileFacts facts;
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return facts;
    Describe(st, &facts);
    // A file without any write bit is read-only even for root, as the read-only
    // attribute is for an administrator elsewhere.
    facts.writable = facts.regular && (st.st_mode & 0222) != 0 && ::access(name.c_str(), W_OK) == 0;
    return facts;
  }

  std::uint32_t NewFileMode() override {
    // umask can only be read by setting it; the engine runs this on one thread.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<std::uint32_t>(mask);
  }

  bool SyncFileIn(Folder& folder, const std::string& name) override {
    Descriptor fd(
        ::openat(FdOf(folder), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return (fd.valid() && FsyncRetrying(fd.get())) || Failed("cannot sync", NameIn(folder, name));
  }

  bool CanWriteInto(const std::string& directory) override {
    struct stat st;
    return IsDirectory(directory, &st) && ::access(directory.c_str(), W_OK | X_OK) == 0;
  }

  bool ListDirectory(const std::string& directory, std::vector<std::string>* names) override {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
    if (!dir) return false;
    names->clear();
    while (const struct dirent* entry = ::readdir(dir.get())) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names->push_back(name);
    }
    return true;
  }

  std::string FullPath(const std::string& name) override {
    if (name.empty()) return std::string();
    std::string joined;
    if (name[0] == '/') {
      joined = name;
    } else {
      std::vector<char> cwd(4096);
      while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) return std::string();
        cwd.resize(cwd.size() * 2);
      }
      joined = std::string(cwd.data()) + "/" + name;
    }
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= joined.size()) {
      std::size_t slash = joined.find('/', pos);
      if (slash == std::string::npos) slash = joined.size();
      std::string part = joined.substr(pos, slash - pos);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(std::move(part));
      }
      pos = slash + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    return full.empty() ? "/" : full;
  }

  std::string RealPath(const std::string& name) override {
    if (name.empty()) return std::string();
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      std::string path(real);
      std::free(real);
      return path;
    }
    if (errno != ENOENT) return std::string();
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return NewFilePath(name);
    if (!S_ISLNK(st.st_mode)) return std::string();
    // A link to a file not made yet is resolved once: the file it names is made.
    std::vector<char> text(PATH_MAX + 1);
    const ssize_t n = ::readlink(name.c_str(), text.data(), text.size() - 1);
    if (n <= 0) return std::string();
    std::string target(text.data(), static_cast<std::size_t>(n));
    if (target[0] != '/') {
      const std::size_t slash = name.find_last_of('/');
      if (slash != std::string::npos) target = name.substr(0, slash + 1) + target;
    }
    if (::lstat(target.c_str(), &st) == 0) return std::string();  // a chain to nothing
    return NewFilePath(target);
  }

  std::string TempDirectoryFor(const std::string& destination) override {
    const std::string own = DirectoryOf(destination);
    struct stat st;
    if (!IsDirectory(own, &st)) return own;
    const dev_t device = st.st_dev;
    std::string root = own;
    while (root != "/") {
      std::string parent = DirectoryOf(root);
      struct stat pst;
      if (::stat(parent.c_str(), &pst) != 0 || pst.st_dev != device) break;
      root = parent;
    }
    const std::string temp = root == "/" ? std::string("/TEMP") : root + "/TEMP";
    // A TEMP on another file system would make the commit a copy. One that another
    // user owns, or may empty (writable by others without the sticky bit), could have
    // our files swapped before they are put in place.
    if (::lstat(temp.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != device) {
      return own;
    }
    const bool ownersOk = st.st_uid == 0 || st.st_uid == ::geteuid();
    const bool sharedSafely = (st.st_mode & 022) == 0 || (st.st_mode & S_ISVTX) != 0;
    if (!ownersOk || !sharedSafely || ::access(temp.c_str(), W_OK | X_OK) != 0) return own;
    return temp;
  }

  std::uint32_t TickCount() override {
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  std::size_t FilesLeftToOpen() override {
    // Past this many, the descriptors are not counted: no run opens that many.
    constexpr rlim_t kCountedUpTo = 1 << 16;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > kCountedUpTo) {
      return kManyFiles;
    }
    rlim_t open = 0;
    for (rlim_t fd = 0; fd < limit.rlim_cur; ++fd) {
      open += ::fcntl(static_cast<int>(fd), F_GETFD) != -1;
    }
    return static_cast<std::size_t>(limit.rlim_cur - open);
  }

 private:
  MadeFiles made_;
  MadeRegistry<MadeIn> madeIn_;
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = [] {
#if defined(__GLIBC__)
    // Chunks, buckets and their records of a few MiB come and go all through a run.
    // glibc raises the size from which it maps a block of its own each time such a block
    // is freed; the next ones then come from the heap, which grows and is seldom given
    // back (a 5 GiB sort reached 118 MiB that way instead of 80). A fixed threshold keeps
    // every large block mapped, and given back when freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    return new PosixEnv;
  }();
  return env;
}

const char kPathSeparators[] = "/";

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace vantor
