// The Env of Windows, on the Win32 API.
//
// Names come and go as UTF-8 and are handed to the wide-character calls. The paths this
// Env makes (FullPath, RealPath, TempDirectoryFor, the names of temporary files) use '/'
// between components ("C:/lists/out.txt"): Windows takes it as it takes '\', and the
// engine builds part and folder names with '/' on every system.
//
// What POSIX says with permission bits and owners, Windows says with the read-only
// attribute and the ACL a file inherits from its folder:
// - Inspect reports the mode 0444, plus 0222 when the file is not read-only (0777 for a
//   folder), and owner and group 0. A read-only file is not writable, so the engine
//   refuses to put a result in its place ("Failed to rename file").
// - SetMode sets the read-only attribute when the mode has no write bit, else clears it.
// - SetOwner gives nothing away: a file belongs to the account that made it and the
//   others' access follows its folder's ACL; there are no set-id bits to keep or drop.
// - NewFileMode is 0666: there is no umask.
// - A new temporary file gets the ACL of its folder (the user's own folders and the
//   drive's TEMP are not open to other users by default).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform/env.h"
#include "engine/platform/made_files.h"

namespace vantor {

namespace {

// The UTF-16 form of a UTF-8 name; nothing when the bytes are not UTF-8 or hold a NUL.
std::optional<std::wstring> Widen(const std::string& name) {
  if (name.empty()) return std::wstring();
  if (name.find('\0') != std::string::npos) return std::nullopt;
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                      static_cast<int>(name.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        wide.data(), n);
  return wide;
}

// The UTF-8 form of a name the system gave, with '/' between components.
std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string name(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), name.data(), n,
                        nullptr, nullptr);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Owns one handle; closes it unless it was closed explicitly.
class Handle final {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      h_ = other.h_;
      other.h_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  ~Handle() { Close(); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Close() {
    if (!valid()) return false;
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens `name` only to look at it: no access to its data is asked for, so no other
// opener's sharing mode stands in the way. Folders open too. `follow` false opens a link
// itself.
Handle OpenToInspect(const std::string& name, bool follow) {
  const std::optional<std::wstring> wide = Widen(name);
  if (!wide || wide->empty()) return Handle();
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!follow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return Handle(::CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, flags, nullptr));
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The identity and attributes of an open disk file or folder.
bool InfoOf(const Handle& h, BY_HANDLE_FILE_INFORMATION* info) {
  return ::GetFileType(h.get()) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h.get(), info);
}

// The system's words for `error`, without the full stop and line end it adds.
std::string ReasonOf(DWORD error) {
  char* text = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = n > 0 && text ? std::string(text, n) : "error " + std::to_string(error);
  if (text) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == '.' || reason.back() == ' ')) {
    reason.pop_back();
  }
  return reason;
}

// Notes why a call on `name` failed, in the system's words, and returns false.
bool Failed(const char* what, const std::string& name, DWORD error = ::GetLastError()) {
  NoteFailure(FailureNote(what, name, ReasonOf(error)));
  return false;
}

constexpr char kReplacedText[] = "the temporary file was replaced";

class WindowsReadableFile final : public ReadableFile {
 public:
  WindowsReadableFile(Handle h, std::string name) : h_(std::move(h)), name_(std::move(name)) {}

  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    return ReadFrom(nullptr, dst, n, got);
  }

  // A read at an offset moves the file pointer of a handle opened for plain reads, so
  // the pointer is put back where it was.
  bool ReadAt(std::uint64_t offset, char* dst, std::size_t n, std::size_t* got) override {
    *got = 0;
    LARGE_INTEGER zero{};
    LARGE_INTEGER was{};
    if (!::SetFilePointerEx(h_.get(), zero, &was, FILE_CURRENT))
      return Failed("cannot read", name_);
    const bool ok = ReadFrom(&offset, dst, n, got);
    if (!::SetFilePointerEx(h_.get(), was, nullptr, FILE_BEGIN))
      return Failed("cannot read", name_);
    return ok;
  }

 private:
  // Reads until `n` bytes are read or the file ends: from where the reads have got to,
  // or from byte `*offset` on.
  bool ReadFrom(const std::uint64_t* offset, char* dst, std::size_t n, std::size_t* got) {
    std::size_t done = 0;
    while (done < n) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      OVERLAPPED where{};
      if (offset) {
        const std::uint64_t at = *offset + done;
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
      }
      DWORD r = 0;
      if (!::ReadFile(h_.get(), dst + done, ask, &r, offset ? &where : nullptr)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) break;
        *got = done;
        return Failed("cannot read", name_);
      }
      if (r == 0) break;
      done += r;
    }
    *got = done;
    return true;
  }

  Handle h_;
  std::string name_;
};

class WindowsWritableFile final : public WritableFile {
 public:
  WindowsWritableFile(Handle h, std::string name) : h_(std::move(h)), name_(std::move(name)) {}

  bool Write(const char* src, std::size_t n) override {
    while (n > 0) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
      DWORD w = 0;
      if (!::WriteFile(h_.get(), src, ask, &w, nullptr)) return Failed("cannot write", name_);
      if (w == 0) return Failed("cannot write", name_, ERROR_DISK_FULL);
      src += w;
      n -= w;
    }
    return true;
  }

  bool Sync() override {
    return (h_.valid() && ::FlushFileBuffers(h_.get())) || Failed("cannot sync", name_);
  }

  bool Close() override { return h_.Close() || Failed("cannot close", name_); }

 private:
  Handle h_;
  std::string name_;
};

// The real path of an existing file or folder: links and ".." resolved, as the system
// names it. Empty when it cannot be opened.
std::string FinalPath(const std::string& name) {
  Handle h = OpenToInspect(name, /*follow=*/true);
  if (!h.valid()) return std::string();
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n =
        ::GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  std::wstring path(buffer.begin(), buffer.end());
  // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\share" is "\\server\share".
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.rfind(L"\\\\?\\", 0) == 0) {
    path = path.substr(4);
  }
  return Narrow(path);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return !folder.empty() && IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

DWORD AttributesOf(const std::string& name) {
  const std::optional<std::wstring> wide = Widen(name);
  if (!wide || wide->empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(wide->c_str());
}

// Whether `path` is a folder that is no link or junction.
bool IsPlainDirectory(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

class WindowsEnv final : public Env {
 public:
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    const std::optional<FileId> made = made_.Find(name);
    const std::optional<std::wstring> wide = Widen(name);
    if (!wide || wide->empty()) {
      Failed("cannot open", name, ERROR_INVALID_NAME);
      return nullptr;
    }
    // Others may go on reading, writing, renaming or deleting it, as on POSIX systems:
    // the engine itself puts a result in place of a list it has open.
    DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;
    if (made) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    Handle h(::CreateFileW(wide->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags,
                           nullptr));
    if (!h.valid()) {
      Failed("cannot open", name);
      return nullptr;
    }
    // Folders do not open without FILE_FLAG_BACKUP_SEMANTICS; devices, pipes and
    // consoles are no disk files.
    BY_HANDLE_FILE_INFORMATION info;
    if (!InfoOf(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      NoteFailure(FailureNote("cannot open", name, "not a regular file"));
      return nullptr;
    }
    if (made && ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || IdOf(info) != *made)) {
      NoteFailure(FailureNote("cannot open", name, kReplacedText));
      return nullptr;
    }
    return std::make_unique<WindowsReadableFile>(std::move(h), name);
  }

  std::unique_ptr<WritableFile> CreateTempFile(const std::string& directory,
                                               std::string* name) override {
    static std::atomic<std::uint32_t> counter{0};
    const std::string folder = directory.empty() ? "." : directory;
    // A folder that is a link or junction could send the file elsewhere.
    if (!IsPlainDirectory(folder)) {
      NoteFailure(FailureNote("cannot create a file in", folder, "not a folder of its own"));
      return nullptr;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::uint64_t x = (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^
                        static_cast<std::uint64_t>(::GetTickCount64()) ^
                        (static_cast<std::uint64_t>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
      x ^= x >> 29;
      x *= 0xBF58476D1CE4E5B9ull;
      x ^= x >> 32;
      char unique[24];
      std::snprintf(unique, sizeof unique, "vnt%08x.tmp", static_cast<unsigned>(x));
      const std::string path = JoinPath(folder, unique);
      const std::optional<std::wstring> wide = Widen(path);
      if (!wide) {
        Failed("cannot create a file in", folder, ERROR_INVALID_NAME);
        return nullptr;
      }
      // Deleting or renaming it while it is open is allowed (a stopped run removes its
      // files), writing to it through another handle is not.
      Handle h(::CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                             nullptr));
      if (h.valid()) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!InfoOf(h, &info)) {
          Failed("cannot create a file in", folder);
          h.Close();
          ::DeleteFileW(wide->c_str());
          return nullptr;
        }
        *name = path;
        made_.Remember(path, IdOf(info));
        return std::make_unique<WindowsWritableFile>(std::move(h), path);
      }
      const DWORD error = ::GetLastError();
      // A name still held by a file being deleted answers "access denied".
      const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                         (error == ERROR_ACCESS_DENIED &&
                          ::GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES);
      if (!taken) {
        Failed("cannot create a file in", folder, error);
        return nullptr;
      }
    }
    Failed("cannot create a file in", folder, ERROR_FILE_EXISTS);
    return nullptr;
  }

  bool Delete(const std::string& name) override {
    made_.Forget(name);
    const std::optional<std::wstring> wide = Widen(name);
    return wide && !wide->empty() && ::DeleteFileW(wide->c_str());
  }

  bool Rename(const std::string& from, const std::string& to) override {
    // A temporary file of ours that was replaced under its name is not put in place.
    if (const std::optional<FileId> made = made_.Find(from)) {
      Handle h = OpenToInspect(from, /*follow=*/false);
      BY_HANDLE_FILE_INFORMATION info;
      if (!h.valid() || !InfoOf(h, &info) ||
          (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
          IdOf(info) != *made) {
        NoteFailure(FailureNote("cannot rename", from, kReplacedText));
        return false;
      }
    }
    const std::optional<std::wstring> wideFrom = Widen(from);
    const std::optional<std::wstring> wideTo = Widen(to);
    if (!wideFrom || !wideTo || wideFrom->empty() || wideTo->empty()) {
      return Failed("cannot rename", from + "' to '" + to, ERROR_INVALID_NAME);
    }
    // A read-only destination is the user's "do not replace"; it is left as it is.
    const DWORD attributes = ::GetFileAttributesW(wideTo->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return Failed("cannot rename", from + "' to '" + to);
    }
    // One step, never delete-then-move: a failure at any point leaves the old file.
    if (!::MoveFileExW(wideFrom->c_str(), wideTo->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Failed("cannot rename", from + "' to '" + to);
    }
    made_.Forget(from);
    return true;
  }

  FileFacts Inspect(const std::string& name) override {
    FileFacts facts;
    Handle h = OpenToInspect(name, /*follow=*/true);
    if (!h.valid()) {
      // Open elsewhere in a way that keeps even this out: known by its attributes only,
      // and never taken for another file.
      const DWORD attributes = AttributesOf(name);
      if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
      facts.exists = true;
      facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      facts.regular = !facts.directory;
      facts.writable = false;
      facts.mode = facts.directory ? 0777 : 0444;
      facts.id = FileId{~0ull, ++unknownIds_};
      return facts;
    }
    facts.exists = true;
    BY_HANDLE_FILE_INFORMATION info;
    if (!InfoOf(h, &info)) return facts;  // a device such as NUL or CON: not regular
    facts.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.directory;
    const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts.writable = facts.regular && !readOnly;
    facts.mode = facts.directory ? 0777 : (readOnly ? 0444 : 0666);
    facts.id = IdOf(info);
    return facts;
  }

  bool SetMode(const std::string& name, std::uint32_t mode) override {
    const std::optional<std::wstring> wide = Widen(name);
    if (!wide || wide->empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed("cannot set the permissions of", name);
    DWORD wanted = (mode & 0222) == 0 ? attributes | FILE_ATTRIBUTE_READONLY
                                      : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (wanted == attributes) return true;
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(wide->c_str(), wanted) != 0 ||
           Failed("cannot set the permissions of", name);
  }

  bool SetOwner(const std::string& name, std::uint32_t, std::uint32_t) override {
    return AttributesOf(name) != INVALID_FILE_ATTRIBUTES;
  }

  std::uint32_t NewFileMode() override { return 0666; }

  bool SyncFile(const std::string& name) override {
    const std::optional<std::wstring> wide = Widen(name);
    if (!wide || wide->empty()) return false;
    // FlushFileBuffers needs a handle that may write.
    Handle h(::CreateFileW(wide->c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return (h.valid() && ::FlushFileBuffers(h.get())) || Failed("cannot sync", name);
  }

  // The rename was made with MOVEFILE_WRITE_THROUGH: it is on the disk when it returns.
  bool SyncDirectory(const std::string& directory) override {
    const DWORD attributes = AttributesOf(directory);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The ACLs decide, and they are best asked by trying: a file that no one else can
  // open is made and removed again when its handle closes.
  bool CanWriteInto(const std::string& directory) override {
    const DWORD attributes = AttributesOf(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return false;
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
      char unique[32];
      std::snprintf(unique, sizeof unique, "vnt%08lx.tmp",
                    static_cast<unsigned long>(::GetCurrentProcessId() * 2654435761u +
                                               ::GetTickCount() + attempt * 7919u));
      const std::optional<std::wstring> wide = Widen(JoinPath(directory, unique));
      if (!wide) return false;
      Handle h(::CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
      if (h.valid()) return true;
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
  }

  bool ListDirectory(const std::string& directory, std::vector<std::string>* names) override {
    const std::optional<std::wstring> wide = Widen(JoinPath(directory, "*"));
    if (!wide) return false;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW(wide->c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, 0);
    names->clear();
    if (find == INVALID_HANDLE_VALUE) {
      // A drive's root has no "." or "..": empty, it has no entry at all.
      return ::GetLastError() == ERROR_FILE_NOT_FOUND && IsPlainDirectory(directory);
    }
    do {
      const std::string name = Narrow(data.cFileName);
      if (name != "." && name != "..") names->push_back(name);
    } while (::FindNextFileW(find, &data));
    const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(find);
    return complete;
  }

  std::string FullPath(const std::string& name) override {
    const std::optional<std::wstring> wide = Widen(name);
    if (!wide || wide->empty()) return std::string();
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
      const DWORD n = ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(buffer.size()),
                                         buffer.data(), nullptr);
      if (n == 0) return std::string();
      if (n < buffer.size()) {
        buffer.resize(n);
        break;
      }
      buffer.resize(n + 1);
    }
    return Narrow(std::wstring(buffer.begin(), buffer.end()));
  }

  std::string RealPath(const std::string& name) override {
    if (name.empty()) return std::string();
    if (std::string real = FinalPath(name); !real.empty()) return real;
    const DWORD attributes = AttributesOf(name);
    // Something is there that does not open: a link to nothing, or a file kept from us.
    if (attributes != INVALID_FILE_ATTRIBUTES) return std::string();
    const std::string full = FullPath(name);
    if (full.empty() || IsSeparator(full.back())) return std::string();
    const std::string folder = FinalPath(DirectoryOf(full));
    if (folder.empty()) return std::string();
    return JoinPath(folder, full.substr(full.find_last_of("/\\") + 1));
  }

  std::string TempDirectoryFor(const std::string& destination) override {
    const std::string own = DirectoryOf(destination);
    const std::optional<std::wstring> wide = Widen(own);
    if (!wide || wide->empty() || !IsPlainDirectory(own)) return own;
    // The root of the volume the folder is on: the drive's root, or the folder a volume
    // is mounted at.
    std::vector<wchar_t> root(wide->size() + MAX_PATH + 1);
    if (!::GetVolumePathNameW(wide->c_str(), root.data(), static_cast<DWORD>(root.size()))) {
      return own;
    }
    const std::string temp = JoinPath(Narrow(root.data()), "TEMP");
    // A TEMP that is a link, a junction or on another volume would make the commit a
    // copy, or put our files where someone else decides.
    if (!IsPlainDirectory(temp)) return own;
    Handle a = OpenToInspect(own, true);
    Handle b = OpenToInspect(temp, false);
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!a.valid() || !b.valid() || !InfoOf(a, &ia) || !InfoOf(b, &ib) ||
        ia.dwVolumeSerialNumber != ib.dwVolumeSerialNumber) {
      return own;
    }
    if (!CanWriteInto(temp)) return own;
    return temp;
  }

  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(::GetTickCount64()); }

 private:
  MadeFiles made_;
  std::atomic<std::uint64_t> unknownIds_{0};
};

}  // namespace

Env* Env::Default() {
  static WindowsEnv* env = new WindowsEnv;
  return env;
}

const char kPathSeparators[] = "/\\";

// Both separators count; a drive's root keeps its separator ("C:/" for "C:/c.txt").
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) {
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string(".");
  }
  std::size_t end = slash;
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  if (end == 0) return path.substr(0, 1);
  if (end == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, end);
}

}  // namespace vantor
