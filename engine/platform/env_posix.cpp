// The Env of a POSIX system.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/platform/env.h"

namespace vantor {

namespace {

// Owns one descriptor; closes it unless it was closed explicitly.
class Descriptor final {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
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

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(int fd) : fd_(fd) {}

  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = ::read(fd_.get(), dst + done, n - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        *got = done;
        return false;
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    *got = done;
    return true;
  }

 private:
  Descriptor fd_;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}

  bool Write(const char* src, std::size_t n) override {
    while (n > 0) {
      ssize_t w = ::write(fd_.get(), src, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (w == 0) return false;
      src += w;
      n -= static_cast<std::size_t>(w);
    }
    return true;
  }

  bool Sync() override {
    while (::fsync(fd_.get()) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

  void StartWriteback() override {
    ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
  }

  bool Close() override { return fd_.Close(); }

 private:
  Descriptor fd_;
};

bool StatOf(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st) == 0; }

bool IsDirectory(const std::string& path, struct stat* st) {
  return StatOf(path, st) && S_ISDIR(st->st_mode);
}

std::string ParentOf(const std::string& path) { return DirectoryOf(path); }

class PosixEnv final : public Env {
 public:
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixReadableFile>(fd);
  }

  std::unique_ptr<WritableFile> OpenForWriting(const std::string& name) override {
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixWritableFile>(fd);
  }

  bool MakeTempFile(const std::string& directory, std::string* name) override {
    static std::atomic<std::uint32_t> counter{0};
    std::string prefix = directory;
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    for (int attempt = 0; attempt < 100; ++attempt) {
      // Mix the process, the time and a counter so that two processes sharing the
      // directory rarely collide; O_EXCL settles the rest.
      std::uint64_t x = (static_cast<std::uint64_t>(::getpid()) << 32) ^
                        static_cast<std::uint64_t>(std::time(nullptr)) ^
                        (static_cast<std::uint64_t>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
      x ^= x >> 29;
      x *= 0xBF58476D1CE4E5B9ull;
      x ^= x >> 32;
      char unique[16];
      std::snprintf(unique, sizeof unique, "%08x", static_cast<unsigned>(x));
      std::string candidate = prefix + "vnt" + unique + ".tmp";
      int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) {
        ::close(fd);
        *name = candidate;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  bool Delete(const std::string& name) override { return ::unlink(name.c_str()) == 0; }

  bool Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0;
  }

  FileFacts Inspect(const std::string& name) override {
    FileFacts facts;
    struct stat st;
    if (!StatOf(name, &st)) return facts;
    facts.exists = true;
    facts.mode = st.st_mode & 07777;
    // A file without any write bit is read-only even for root, as the read-only
    // attribute is for an administrator elsewhere.
    facts.writable = S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 &&
                     ::access(name.c_str(), W_OK) == 0;
    return facts;
  }

  bool SetMode(const std::string& name, std::uint32_t mode) override {
    return ::chmod(name.c_str(), static_cast<mode_t>(mode)) == 0;
  }

  std::uint32_t NewFileMode() override {
    // umask can only be read by setting it; the engine runs this on one thread.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<std::uint32_t>(mask);
  }

  bool SyncFile(const std::string& name) override {
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    while (::fsync(fd) != 0) {
      if (errno != EINTR) {
        ok = false;
        break;
      }
    }
    ::close(fd);
    return ok;
  }

  bool SyncDirectory(const std::string& directory) override {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
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

  std::string TempDirectoryFor(const std::string& destination) override {
    const std::string own = DirectoryOf(destination);
    // The file system is that of the nearest directory that exists.
    std::string probe = own;
    struct stat st;
    while (!IsDirectory(probe, &st)) {
      if (probe == "/") return own;
      probe = ParentOf(probe);
    }
    const dev_t device = st.st_dev;
    std::string root = probe;
    while (root != "/") {
      std::string parent = ParentOf(root);
      struct stat pst;
      if (!StatOf(parent, &pst) || pst.st_dev != device) break;
      root = parent;
    }
    std::string temp = root == "/" ? std::string("/TEMP") : root + "/TEMP";
    // A TEMP that is itself another file system would make the commit a copy.
    if (IsDirectory(temp, &st) && st.st_dev == device) return temp;
    return own;
  }

  std::uint32_t TickCount() override {
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }
};

}  // namespace

Env* Env::Default() {
  static PosixEnv* env = new PosixEnv;
  return env;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace vantor
