// The Env of Windows, on the Win32 API.
//
// Names come and go as UTF-8 and are handed to the wide-character calls. The paths this
// Env makes (FullPath, RealPath, TempDirectoryFor, the names of temporary files) use '/'
// between components ("C:/lists/out.txt"): Windows takes it as it takes '\', and the
// engine builds part and folder names with '/' on every system.
//
// What POSIX says with permission bits and owners, Windows says with the read-only
// attribute and security descriptors:
// - Inspect reports the mode 0444, plus 0222 when the file is not read-only (0777 for a
//   folder), and owner and group 0. A read-only file is not writable, so the engine
//   refuses to put a result in its place ("Failed to rename file").
// - SetModeIn sets the read-only attribute when the mode has no write bit, else clears it.
// - SetOwnerIn does nothing: TakeAccessOf gives a result the replaced file's owner (where
//   the process may), its DACL and its attributes; there are no set-id bits.
// - NewFileMode is 0666: there is no umask.
// - A temporary file lets the user alone at it until it is put in place (see Private);
//   TEMP is used only where nobody else may change it (see OnlyTrustedMayChange).
//
// A Folder is held by a handle that shares reading and writing but not deleting: while
// the job holds it nobody can rename or remove it (nor, on NTFS, a folder above it, which
// has an open file below), so the paths of its files lead where they led when it was
// opened. The calls on a folder's files then go by those paths. Windows has no sticky
// folders: a link is followed wherever the system would follow it.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
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

// "\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is "\\server\share": the names this Env gives
// back are written without the prefix that only lifts the length limit.
std::wstring Unprefixed(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// How long a path may be before the plain calls refuse it: MAX_PATH, less the 12
// characters a folder's path must leave for the names in it.
constexpr std::size_t kLongPath = MAX_PATH - 12;

// The UTF-16 name to hand to the system for `name`. A path of kLongPath characters or
// more passes the plain calls only in a program marked long-path aware on a machine
// whose policy allows long paths; written "\\?\C:\..." it passes everywhere. That form is
// taken literally (no '/', no ".." resolved, no trailing dots dropped), so it is made of
// the full path the system computes for the name, which is what the plain call would
// open. Shorter names, and names already in a device namespace, go as they are.
std::optional<std::wstring> SystemName(const std::string& name) {
  std::optional<std::wstring> wide = Widen(name);
  if (!wide || wide->size() < kLongPath) return wide;
  if (wide->size() >= 4 && IsSeparator(name[0]) && IsSeparator(name[1]) &&
      (name[2] == '?' || name[2] == '.') && IsSeparator(name[3])) {
    return wide;
  }
  std::vector<wchar_t> buffer(wide->size() + MAX_PATH);
  for (;;) {
    const DWORD n = ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(buffer.size()),
                                       buffer.data(), nullptr);
    if (n == 0) return wide;
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  std::wstring full(buffer.begin(), buffer.end());
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  if (full.rfind(L"\\\\", 0) == 0 && full.size() > 2 && full[2] != L'?' && full[2] != L'.') {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return full;
}

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
  const std::optional<std::wstring> wide = SystemName(name);
  if (!wide || wide->empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return Handle();
  }
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

// Why a call failed. The errors a user meets with files are told in the words the POSIX
// build uses, so that the batch tool says the same on both systems whatever the
// language of Windows; the others in the system's own words, in UTF-8 like the names
// beside them, without the full stop and line end it adds.
std::string ReasonOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
      return "Permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "Device or resource busy";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_FILENAME_EXCED_RANGE:
      return "File name too long";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "Too many open files";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return "Cannot allocate memory";
    case ERROR_DIRECTORY:
      return "Not a directory";
    case ERROR_NOT_SAME_DEVICE:
      return "Invalid cross-device link";
    case ERROR_WRITE_PROTECT:
      return "Read-only file system";
    case ERROR_DIR_NOT_EMPTY:
      return "Directory not empty";
    case ERROR_CANT_RESOLVE_FILENAME:
      return "Too many levels of symbolic links";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason =
      n > 0 && text ? Narrow(std::wstring(text, n)) : "error " + std::to_string(error);
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

// Windows' words for ERROR_INVALID_NAME, which Wine words otherwise: a refused name reads
// the same on both.
constexpr char kInvalidNameText[] =
    "The filename, directory name, or volume label syntax is incorrect";

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

// The path the system knows an open file or folder by: links and ".." resolved. Empty
// when it cannot tell.
std::string PathOf(const Handle& h) {
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
  return Narrow(Unprefixed(std::wstring(buffer.begin(), buffer.end())));
}

// The absolute form of `name` as the system makes it, ".." taken off without looking at
// any folder; empty when there is none.
std::string FullPathOf(const std::string& name) {
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

// The real path of an existing file or folder: links and ".." resolved, as the system
// names it. Empty when it cannot be opened, and `*error` says why.
//
// A drive the mount manager does not know (a RAM disk, a mounted image, some network
// clients) opens, but GetFinalPathNameByHandleW cannot name it in DOS form and fails.
// What was opened is then named as the user named it, made absolute: links on the way
// stay as written there, which only costs the engine the chance to see that two names
// are one file by their paths (it compares the files' identities as well).
std::string FinalPath(const std::string& name, DWORD* error = nullptr) {
  Handle h = OpenToInspect(name, /*follow=*/true);
  if (!h.valid()) {
    if (error) *error = ::GetLastError();
    return std::string();
  }
  std::string path = PathOf(h);
  if (path.empty()) path = FullPathOf(name);
  if (path.empty() && error) *error = ERROR_INVALID_NAME;
  return path;
}

// The part of a full path after its device prefix ("//?/", "//./") and drive ("C:").
std::string AfterDrive(const std::string& full) {
  std::size_t at = 0;
  if (full.size() >= 4 && IsSeparator(full[0]) && IsSeparator(full[1]) &&
      (full[2] == '?' || full[2] == '.') && IsSeparator(full[3])) {
    at = 4;
  }
  if (full.size() >= at + 2 && full[at + 1] == ':') at += 2;
  return full.substr(at);
}

// Whether `name` names a named stream of a file or folder ("out.txt:s", "dir:s/x"): any
// ':' but the drive's. A stream is no list, and no place for one.
bool NamesAStream(const std::string& name) {
  return AfterDrive(name).find(':') != std::string::npos;
}

// Whether the full path `full` is in the device namespace ("//./NUL", "//./COM1",
// "//./pipe/x", what "NUL" or "CON" become), not a disk path that happens to be written
// with a prefix ("//?/C:/x", "//?/UNC/server/share", "//?/Volume{...}/x").
bool IsDeviceName(const std::string& full) {
  if (full.size() < 4 || !IsSeparator(full[0]) || !IsSeparator(full[1]) ||
      (full[2] != '?' && full[2] != '.') || !IsSeparator(full[3])) {
    return false;
  }
  const std::string rest = full.substr(4);
  auto startsWith = [&](const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return rest.size() >= n && ::_strnicmp(rest.c_str(), prefix, n) == 0;
  };
  const bool drive = rest.size() >= 3 && rest[1] == ':' && IsSeparator(rest[2]);
  return !(drive || startsWith("UNC/") || startsWith("Volume{"));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return !folder.empty() && IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

DWORD AttributesOf(const std::string& name) {
  const std::optional<std::wstring> wide = SystemName(name);
  if (!wide || wide->empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(wide->c_str());
}

// Whether `path` is a folder that is no link or junction.
bool IsPlainDirectory(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether two absolute paths name the same place as Windows compares names: whatever
// the case, and with or without a separator at the end.
bool SamePath(std::string a, std::string b) {
  for (std::string* s : {&a, &b}) {
    while (s->size() > 1 && IsSeparator(s->back())) s->pop_back();
  }
  const std::optional<std::wstring> wa = Widen(a);
  const std::optional<std::wstring> wb = Widen(b);
  return wa && wb &&
         ::CompareStringOrdinal(wa->data(), static_cast<int>(wa->size()), wb->data(),
                                static_cast<int>(wb->size()), TRUE) == CSTR_EQUAL;
}

// `path` with its 8.3 short components ("RUNNER~1") in their long form, as a handle's
// path has them; `path` itself when that cannot be made.
std::string LongPath(const std::string& path) {
  const std::optional<std::wstring> wide = SystemName(path);
  if (!wide || wide->empty()) return path;
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n =
        ::GetLongPathNameW(wide->c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return path;
    if (n < buffer.size()) return Narrow(Unprefixed(std::wstring(buffer.data(), n)));
    buffer.resize(n + 1);
  }
}

// Whether the reparse point open as `h` is a link or junction, which the system follows
// to another name. Deduplicated, cloud and other reparse points are files themselves;
// one that cannot be told is taken for a link, never replaced as a file.
bool IsLink(const Handle& h) {
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!::GetFileInformationByHandleEx(h.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
    return true;
  }
  return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         IsReparseTagNameSurrogate(tag.ReparseTag);
}

// Where the link or junction open as `h` (not followed) points, as its own text says:
// relative to its folder `folder` when the text is. False with `*error` when it cannot
// be read or means nothing here.
bool LinkTarget(const Handle& h, const std::string& folder, std::string* target, DWORD* error) {
  std::vector<unsigned char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  if (!::DeviceIoControl(h.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                         static_cast<DWORD>(data.size()), &got, nullptr)) {
    *error = ::GetLastError();
    return false;
  }
  // The user-mode headers leave REPARSE_DATA_BUFFER out. After the tag, the data length
  // and a reserved word come the offset and length, in bytes into the names, of the name
  // the system substitutes (and of the one it prints); a link has flags before the names.
  auto read = [&](std::size_t at, auto* value) {
    if (at + sizeof *value <= got) std::memcpy(value, data.data() + at, sizeof *value);
  };
  DWORD tag = 0;
  read(0, &tag);
  std::size_t names = 16;
  bool relative = false;
  if (tag == IO_REPARSE_TAG_SYMLINK) {
    ULONG flags = 0;
    read(16, &flags);
    relative = (flags & SYMLINK_FLAG_RELATIVE) != 0;
    names = 20;
  } else if (tag != IO_REPARSE_TAG_MOUNT_POINT) {
    *error = ERROR_CANT_RESOLVE_FILENAME;
    return false;
  }
  USHORT offset = 0;
  USHORT length = 0;
  read(8, &offset);
  read(10, &length);
  if (length == 0 || names + offset + length > got) {
    *error = ERROR_INVALID_REPARSE_DATA;
    return false;
  }
  std::wstring text(length / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data.data() + names + offset, text.size() * sizeof(wchar_t));
  if (!relative) {
    // An NT name: "\??\C:\x" is "C:\x", "\??\UNC\server\share" "\\server\share", and a
    // volume without a drive letter "\\?\Volume{...}\".
    if (text.rfind(L"\\??\\UNC\\", 0) == 0) {
      text = L"\\\\" + text.substr(8);
    } else if (text.rfind(L"\\??\\", 0) == 0) {
      text = text.substr(4);
      if (text.size() < 2 || text[1] != L':') text = L"\\\\?\\" + text;
    }
    *target = Narrow(text);
    return true;
  }
  const std::string path = Narrow(text);
  if (!IsSeparator(path[0])) {
    *target = JoinPath(folder, path);
  } else if (folder.size() >= 2 && folder[1] == ':') {
    *target = folder.substr(0, 2) + path;  // from the root of the link's own drive
  } else {
    *error = ERROR_CANT_RESOLVE_FILENAME;
    return false;
  }
  return true;
}

// The SID of the account this process runs as, asked once; empty when the system will
// not say, and then no ACE counts as the user's.
const std::vector<BYTE>& UserSid() {
  static const std::vector<BYTE> sid = [] {
    std::vector<BYTE> copy;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return copy;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
      const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
      if (::IsValidSid(user)) {
        const BYTE* bytes = static_cast<const BYTE*>(user);
        copy.assign(bytes, bytes + ::GetLengthSid(user));
      }
    }
    ::CloseHandle(token);
    return copy;
  }();
  return sid;
}

// Whether `sid` is the user, the system, the administrators (who may do anything
// anyway) or whoever owns the object.
bool Trusted(PSID sid) {
  const std::vector<BYTE>& user = UserSid();
  return (!user.empty() && ::EqualSid(sid, const_cast<BYTE*>(user.data()))) ||
         ::IsWellKnownSid(sid, WinLocalSystemSid) ||
         ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         ::IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

// Whether only trusted accounts may make, remove or rename anything in the folder open
// as `h` (with READ_CONTROL), or change who may: its owner is trusted and its DACL lets
// nobody else do any of that. Windows has no sticky folders: anyone who may add files to
// a folder may plant names in it, and anyone who may delete in it may take our files
// away. An ACE that only passes on to what is made in the folder is passed over (the
// job's files get a descriptor of their own); one of a kind not read here counts against
// the folder.
bool OnlyTrustedMayChange(const Handle& h) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (::GetSecurityInfo(h.get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &sd) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, decltype(&::LocalFree)> free(sd, &::LocalFree);
  // No DACL at all lets everyone do everything.
  if (!owner || !Trusted(owner) || !dacl) return false;
  constexpr ACCESS_MASK kChanges = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                   DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace))) return false;
    if (ace->AceFlags & INHERIT_ONLY_ACE) continue;
    switch (ace->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both begin with the header, the mask and the SID.
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kChanges) && !Trusted(&allowed->SidStart)) return false;
        break;
      }
      case ACCESS_DENIED_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      case ACCESS_DENIED_OBJECT_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        break;
      default:
        return false;
    }
  }
  return true;
}

// A security descriptor that lets the user alone at a file and takes nothing from its
// folder: a list being worked on is nobody else's to read, and a sort part nobody
// else's to rewrite before the merge reads it. Made once; `ready` is false when the user
// is unknown, and a temporary file then takes its folder's rights.
struct PrivateDescriptor {
  std::vector<BYTE> acl;
  SECURITY_DESCRIPTOR sd{};
  bool ready = false;
};

const PrivateDescriptor& Private() {
  static const PrivateDescriptor descriptor = [] {
    PrivateDescriptor d;
    const std::vector<BYTE>& user = UserSid();
    if (user.empty()) return d;
    PSID sid = const_cast<BYTE*>(user.data());
    d.acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
    ACL* acl = reinterpret_cast<ACL*>(d.acl.data());
    d.ready = ::InitializeAcl(acl, static_cast<DWORD>(d.acl.size()), ACL_REVISION) &&
              ::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
              ::InitializeSecurityDescriptor(&d.sd, SECURITY_DESCRIPTOR_REVISION) &&
              ::SetSecurityDescriptorDacl(&d.sd, TRUE, acl, FALSE) &&
              ::SetSecurityDescriptorControl(&d.sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    return d;
  }();
  return descriptor;
}

// A new temporary file's name, made from this process and the clock.
std::string TempNameNow() {
  return vantor::UniqueTempName(::GetCurrentProcessId(), ::GetTickCount64());
}

// Whether making `path` failed with `error` because something has the name: a name
// still held by a file being deleted answers "access denied".
bool NameTaken(DWORD error, const std::wstring& path) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         (error == ERROR_ACCESS_DENIED &&
          ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
}

// Whether `leaf` is short enough for a name in the folder `folder`: its volume says how
// long a name may be (255 UTF-16 units on NTFS and FAT). Windows refuses a longer one as
// invalid; Wine says there is no such file, which would let the job run to its commit.
bool NameFits(const std::string& folder, const std::string& leaf) {
  const std::optional<std::wstring> wide = Widen(leaf);
  if (!wide) return false;
  // Asked by handle for the name length alone: Wine, asked by path, reads the volume's
  // label from its device and complains on the console when it may not.
  Handle h = OpenToInspect(folder, /*follow=*/true);
  DWORD longest = 0;
  if (!h.valid() || !::GetVolumeInformationByHandleW(h.get(), nullptr, 0, nullptr, &longest,
                                                     nullptr, nullptr, 0)) {
    return true;  // the system will say so itself when the file is made
  }
  return wide->size() <= longest;
}

// Whether a folder on the way to the full path `full` is a link or junction, or cannot be
// told from one.
bool LinkOnTheWay(const std::string& full) {
  // The folders after the root: "C:/", or "//server/share/" (where a prefix "//?/" or
  // "//./" counts as the server).
  std::size_t slash = 2;
  if (full.size() < 3 || full[1] != ':') {
    if (full.rfind("//", 0) != 0) return true;
    slash = full.find('/', full.find('/', 2) + 1);
    if (slash == std::string::npos) return false;  // the share itself
  }
  for (slash = full.find('/', slash + 1); slash != std::string::npos;
       slash = full.find('/', slash + 1)) {
    const DWORD attributes = AttributesOf(full.substr(0, slash));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return true;
    }
  }
  return false;
}

// How often a chain of links is followed before it counts as a loop, as the system does.
constexpr int kMaxLinkHops = 63;

class WindowsFolder final : public Folder {
 public:
  WindowsFolder(Handle h, std::string path, FileId id)
      : h_(std::move(h)), path_(std::move(path)), id_(id) {}
  const std::string& path() const override { return path_; }
  FileId id() const override { return id_; }
  HANDLE handle() const { return h_.get(); }

 private:
  Handle h_;
  std::string path_;
  FileId id_;
};

class WindowsEnv final : public Env {
 public:
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    const std::optional<FileId> made = made_.Find(name);
    const std::optional<std::wstring> wide = SystemName(name);
    // "in.txt:s" would read a stream of in.txt, which is no list of the user's.
    if (!wide || wide->empty() || NamesAStream(name)) {
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

  std::unique_ptr<Folder> OpenFolder(const std::string& path) override {
    const std::optional<std::wstring> wide = SystemName(path);
    if (!wide || wide->empty()) {
      Failed("cannot open the folder", path, ERROR_INVALID_NAME);
      return nullptr;
    }
    // Only a handle with access to the folder's contents takes part in sharing: one
    // that may read nothing but attributes would let the folder be renamed after all.
    Handle h(::CreateFileW(wide->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) {
      Failed("cannot open the folder", path);
      return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!InfoOf(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Failed("cannot open the folder", path, ERROR_DIRECTORY);
      return nullptr;
    }
    // A link or junction, the folder itself or one on the way to it, could send our
    // files elsewhere: the folder held must be the one the path names. On a drive the
    // mount manager does not know the system cannot name what the handle holds (see
    // FinalPath); there the folders on the way are asked one by one.
    const std::string held = PathOf(h);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (held.empty() ? LinkOnTheWay(FullPath(path)) : !SamePath(held, LongPath(FullPath(path))))) {
      NoteFailure(FailureNote("cannot open the folder", path, "not a folder of its own"));
      return nullptr;
    }
    return std::make_unique<WindowsFolder>(std::move(h), path, IdOf(info));
  }

  std::unique_ptr<WritableFile> CreateTempFile(Folder& folder, std::string* name) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string path = NameIn(folder, TempNameNow());
      const std::optional<std::wstring> wide = SystemName(path);
      if (!wide) {
        Failed("cannot create a file in", folder.path(), ERROR_INVALID_NAME);
        return nullptr;
      }
      // Nobody else may open it at all (see Private). Among the user's own handles,
      // deleting or renaming it while it is open is allowed (a stopped run removes its
      // files), writing to it through another handle is not. The engine's reads of it
      // (OpenForReading) share everything: the descriptor, not the sharing, keeps others
      // out, and a reader must not stand in the way of the sync or rename that follows.
      const PrivateDescriptor& own = Private();
      SECURITY_ATTRIBUTES security{sizeof security, const_cast<SECURITY_DESCRIPTOR*>(&own.sd),
                                   FALSE};
      Handle h(::CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             own.ready ? &security : nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (h.valid()) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!InfoOf(h, &info)) {
          Failed("cannot create a file in", folder.path());
          h.Close();
          ::DeleteFileW(wide->c_str());
          return nullptr;
        }
        *name = path;
        made_.Remember(path, IdOf(info));
        return std::make_unique<WindowsWritableFile>(std::move(h), path);
      }
      const DWORD error = ::GetLastError();
      if (!NameTaken(error, *wide)) {
        Failed("cannot create a file in", folder.path(), error);
        return nullptr;
      }
    }
    Failed("cannot create a file in", folder.path(), ERROR_FILE_EXISTS);
    return nullptr;
  }

  FileFacts InspectIn(Folder& folder, const std::string& name) override {
    return Facts(NameIn(folder, name), /*follow=*/false);
  }

  KeepResult KeepLink(Folder& folder, const std::string& name, std::string* kept) override {
    const std::string path = NameIn(folder, name);
    const std::optional<std::wstring> wideFrom = SystemName(path);
    if (!wideFrom || name.empty()) {
      Failed("cannot keep the old file", path, ERROR_INVALID_NAME);
      return KeepResult::kFailed;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string unique = TempNameNow();
      const std::optional<std::wstring> wide = SystemName(NameIn(folder, unique));
      if (::CreateHardLinkW(wide->c_str(), wideFrom->c_str(), nullptr)) {
        *kept = unique;
        return KeepResult::kKept;
      }
      const DWORD error = ::GetLastError();
      if (NameTaken(error, *wide)) continue;
      // FAT and exFAT answer "invalid function", shares "not supported", a file with
      // 1023 names "too many links". Wine gives "access denied" where Linux refuses
      // with EPERM (a FAT file system, or another user's file under protected hard
      // links) and a general failure for the other errnos: either way no link is kept.
      if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
          error == ERROR_TOO_MANY_LINKS || error == ERROR_ACCESS_DENIED ||
          error == ERROR_GEN_FAILURE) {
        return KeepResult::kNoHardLinks;
      }
      Failed("cannot keep the old file", path, error);
      return KeepResult::kFailed;
    }
    Failed("cannot keep the old file", path, ERROR_FILE_EXISTS);
    return KeepResult::kFailed;
  }

  bool RenameIn(Folder& from, const std::string& fromName, Folder& to,
                const std::string& toName) override {
    const std::string fromPath = NameIn(from, fromName);
    const std::string toPath = NameIn(to, toName);
    // A temporary file of ours that was replaced under its name is not put in place.
    if (made_.Find(fromPath)) {
      Handle h = OpenToInspect(fromPath, /*follow=*/false);
      if (!h.valid() || !StillMade(h, fromPath)) {
        NoteFailure(FailureNote("cannot rename", fromPath, kReplacedText));
        return false;
      }
    }
    const std::optional<std::wstring> wideFrom = SystemName(fromPath);
    const std::optional<std::wstring> wideTo = SystemName(toPath);
    if (!wideFrom || !wideTo || fromName.empty() || toName.empty()) {
      return Failed("cannot rename", fromPath + "' to '" + toPath, ERROR_INVALID_NAME);
    }
    // A read-only destination is the user's "do not replace"; it is left as it is.
    const DWORD attributes = ::GetFileAttributesW(wideTo->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      return Failed("cannot rename", fromPath + "' to '" + toPath, ERROR_ACCESS_DENIED);
    }
    // One step, never delete-then-move: a failure at any point leaves the old file. A
    // file another program has open cannot be replaced; one that a scanner or an indexer
    // holds for a moment can, a little later, so that is waited for, about a second.
    for (int attempt = 0;; ++attempt) {
      if (::MoveFileExW(wideFrom->c_str(), wideTo->c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        break;
      }
      const DWORD error = ::GetLastError();
      const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
      if (!busy || attempt == 10)
        return Failed("cannot rename", fromPath + "' to '" + toPath, error);
      ::Sleep(100);
    }
    made_.Forget(fromPath);
    return true;
  }

  bool DeleteIn(Folder& folder, const std::string& name) override {
    const std::string path = NameIn(folder, name);
    made_.Forget(path);
    const std::optional<std::wstring> wide = SystemName(path);
    return wide && !name.empty() && ::DeleteFileW(wide->c_str());
  }

  bool SetModeIn(Folder& folder, const std::string& name, std::uint32_t mode) override {
    const std::string path = NameIn(folder, name);
    const std::optional<std::wstring> wide = SystemName(path);
    if (!wide || name.empty()) {
      return Failed("cannot set the permissions of", path, ERROR_INVALID_NAME);
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed("cannot set the permissions of", path);
    DWORD wanted = (mode & 0222) == 0 ? attributes | FILE_ATTRIBUTE_READONLY
                                      : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (wanted == attributes) return true;
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(wide->c_str(), wanted) != 0 ||
           Failed("cannot set the permissions of", path);
  }

  bool SetOwnerIn(Folder& folder, const std::string& name, std::uint32_t, std::uint32_t) override {
    return !name.empty() && AttributesOf(NameIn(folder, name)) != INVALID_FILE_ATTRIBUTES;
  }

  // A temporary file is made private (see Private); put in place, it lets others do what
  // the file it replaces let them, or what any new file in that folder lets them. Its
  // hidden, system, archive and not-indexed attributes follow the replaced file's too.
  // ReplaceFileW would carry these over, but it moves the old file away before the new
  // one takes its name, and a failure in between leaves nothing under the name; the
  // commit keeps the old file under a second name and replaces in one step instead.
  // Named streams stay with the old file: they tell of its bytes (where a download came
  // from, a checksum, a thumbnail), and would lie about the new ones.
  bool TakeAccessOf(Folder& folder, const std::string& name, Folder& to,
                    const std::string& target) override {
    const std::string path = NameIn(folder, name);
    const std::string targetPath = NameIn(to, target);
    const std::optional<std::wstring> wide = SystemName(path);
    const std::optional<std::wstring> wideTarget = SystemName(targetPath);
    if (!wide || !wideTarget || name.empty() || target.empty()) {
      return Failed("cannot set the permissions of", path, ERROR_INVALID_NAME);
    }
    Handle h(::CreateFileW(
        wide->c_str(),
        READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
        kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) return Failed("cannot set the permissions of", path);
    if (!StillMade(h, path)) {
      NoteFailure(FailureNote("cannot set the permissions of", path, kReplacedText));
      return false;
    }
    Handle old(::CreateFileW(wideTarget->c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll,
                             nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!old.valid()) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_NOT_FOUND)
        return Failed("cannot read the permissions of", targetPath, error);
      // A DACL that has no ACE of its own and is not protected holds what the folder
      // passes on to a new file.
      ACL empty;
      if (!::InitializeAcl(&empty, sizeof empty, ACL_REVISION)) {
        return Failed("cannot set the permissions of", path);
      }
      const DWORD set =
          ::SetSecurityInfo(h.get(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &empty, nullptr);
      return set == ERROR_SUCCESS || Failed("cannot set the permissions of", path, set);
    }
    PSID owner = nullptr;
    PSID group = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    const DWORD got = ::GetSecurityInfo(
        old.get(), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
        &group, &dacl, nullptr, &sd);
    if (got != ERROR_SUCCESS) return Failed("cannot read the permissions of", targetPath, got);
    const std::unique_ptr<void, decltype(&::LocalFree)> free(sd, &::LocalFree);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(sd, &control, &revision);
    // The owner first, while this handle may still change it. Giving a file to another
    // account takes a privilege; without one the result stays the user's, as where a
    // POSIX system will not let a file be given away.
    ::SetSecurityInfo(h.get(), SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, owner, group,
                      nullptr, nullptr);
    // Inherited ACEs are made again from the folder, which is the replaced file's own.
    const DWORD set =
        ::SetSecurityInfo(h.get(), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                                           ? PROTECTED_DACL_SECURITY_INFORMATION
                                                           : UNPROTECTED_DACL_SECURITY_INFORMATION),
                          nullptr, nullptr, dacl, nullptr);
    if (set != ERROR_SUCCESS) return Failed("cannot set the permissions of", path, set);
    FILE_BASIC_INFO was{};
    FILE_BASIC_INFO now{};
    if (!::GetFileInformationByHandleEx(old.get(), FileBasicInfo, &was, sizeof was) ||
        !::GetFileInformationByHandleEx(h.get(), FileBasicInfo, &now, sizeof now)) {
      return Failed("cannot set the permissions of", path);
    }
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = (now.FileAttributes & ~kKept) | (was.FileAttributes & kKept);
    if (attributes == now.FileAttributes) return true;
    FILE_BASIC_INFO change{};  // times of zero are left as they are
    change.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(h.get(), FileBasicInfo, &change, sizeof change) ||
           Failed("cannot set the permissions of", path);
  }

  // There is nothing to flush for a rename: MoveFileExW with MOVEFILE_WRITE_THROUGH
  // returns only once the new name is on the disk, so a rename that returned has been
  // made lasting by RenameIn itself, and that is all the commit needs. Names made
  // (CreateTempFile, KeepLink) or removed (DeleteIn) in the folder are not covered: they
  // reach the disk when the file system writes its log, and a crash before then may
  // leave a temporary file behind or lose a kept name, never a list half replaced.
  // Flushing the folder itself would need a handle that may write to it, which NTFS
  // gives an administrator only. What is left is to know the folder is still there.
  bool SyncFolder(Folder& folder) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(static_cast<WindowsFolder&>(folder).handle(), &info)) {
      return Failed("cannot sync the folder", folder.path());
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
           Failed("cannot sync the folder", folder.path(), ERROR_DIRECTORY);
  }

  Placement Place(const std::string& name) override {
    Placement place;
    auto refuse = [&](DWORD error, Placement::Refusal refusal = Placement::Refusal::kSystem) {
      place = Placement();
      place.refusal = refusal;
      place.reason = error == ERROR_INVALID_NAME ? kInvalidNameText : ReasonOf(error);
      return place;
    };
    // A folder on the way that is not there: the user's, or where a link leads, which
    // is then what is wrong.
    auto missing = [&](DWORD error, int hops) {
      const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
      if (!gone) return refuse(error);
      return refuse(ERROR_PATH_NOT_FOUND,
                    hops == 0 ? Placement::Refusal::kNoFolder : Placement::Refusal::kSystem);
    };
    // Where a real path is: its folder and its name, "." for a root (which alone ends
    // in a separator).
    auto at = [&](const std::string& real) {
      place.folder = DirectoryOf(real);
      place.name = SamePath(place.folder, real) ? "." : real.substr(real.find_last_of('/') + 1);
      return place;
    };
    std::string path = name;
    for (int hops = 0;; ++hops) {
      // Windows itself takes ".." before anything else: "a\b\..\c" is "a\c", whatever b is.
      const std::string full = FullPath(path);
      // A stream, of the file or of a folder on the way, would pass for a file until
      // the result is put in place, where nothing can be put.
      if (full.empty() || NamesAStream(full)) return refuse(ERROR_INVALID_NAME);
      const std::string leaf = full.substr(full.find_last_of('/') + 1);
      // A device ("NUL" is "//./NUL") is where it is; the engine refuses it as no file.
      if (full.rfind("//./", 0) == 0) {
        place.folder = DirectoryOf(full);
        place.name = leaf;
        return place;
      }
      DWORD error = 0;
      if (leaf.empty()) {
        // A name that ends in a folder: the folder itself, which is no place for a list.
        const std::string real = FinalPath(full, &error);
        return real.empty() ? missing(error, hops) : at(real);
      }
      const std::string folder = FinalPath(DirectoryOf(full), &error);
      if (folder.empty()) return missing(error, hops);
      const std::string file = JoinPath(folder, leaf);
      const std::optional<std::wstring> wide = SystemName(file);
      if (!wide) return refuse(ERROR_INVALID_NAME);
      place.folder = folder;
      place.name = leaf;
      const DWORD attributes = ::GetFileAttributesW(wide->c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) return refuse(error);
        return NameFits(folder, leaf) ? place : refuse(ERROR_FILENAME_EXCED_RANGE);
      }
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return place;
      Handle link = OpenToInspect(file, /*follow=*/false);
      if (!link.valid()) return refuse(::GetLastError());
      if (!IsLink(link)) return place;
      if (hops >= kMaxLinkHops) return refuse(ERROR_CANT_RESOLVE_FILENAME);
      // The link is followed once: to the file it leads to, else, when that does not
      // exist, to the name its text gives, which is made.
      if (const std::string target = FinalPath(file, &error); !target.empty()) return at(target);
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return refuse(error);
      if (!LinkTarget(link, folder, &path, &error)) return refuse(error);
    }
  }

  // Opening for deletion, with every kind of sharing, is what another program's handle
  // refuses when it keeps the file from being replaced.
  bool InUse(const std::string& name) override {
    const std::optional<std::wstring> wide = SystemName(name);
    if (!wide || wide->empty()) return false;
    Handle h(::CreateFileW(wide->c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !h.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
  }

  FileFacts Inspect(const std::string& name) override { return Facts(name, /*follow=*/true); }

  std::uint32_t NewFileMode() override { return 0666; }

  bool SyncFileIn(Folder& folder, const std::string& name) override {
    const std::string path = NameIn(folder, name);
    const std::optional<std::wstring> wide = SystemName(path);
    if (!wide || name.empty()) return Failed("cannot sync", path, ERROR_INVALID_NAME);
    // FlushFileBuffers needs a handle that may write.
    Handle h(::CreateFileW(wide->c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.valid()) return Failed("cannot sync", path);
    // What is flushed is then committed: it must be the temporary file we wrote, not one
    // put under its name since.
    if (!StillMade(h, path)) {
      NoteFailure(FailureNote("cannot sync", path, kReplacedText));
      return false;
    }
    return ::FlushFileBuffers(h.get()) || Failed("cannot sync", path);
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
      const std::optional<std::wstring> wide = SystemName(JoinPath(directory, unique));
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
    const std::optional<std::wstring> wide = SystemName(JoinPath(directory, "*"));
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

  std::string FullPath(const std::string& name) override { return FullPathOf(name); }

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
    const std::optional<std::wstring> wide = SystemName(own);
    if (!wide || wide->empty() || !IsPlainDirectory(own)) return own;
    // The root of the volume the folder is on: the drive's root, or the folder a volume
    // is mounted at.
    std::vector<wchar_t> root(wide->size() + MAX_PATH + 1);
    if (!::GetVolumePathNameW(wide->c_str(), root.data(), static_cast<DWORD>(root.size()))) {
      return own;
    }
    const std::string temp = JoinPath(Narrow(Unprefixed(root.data())), "TEMP");
    // A TEMP that is a link, a junction or on another volume would make the commit a
    // copy, or put our files where someone else decides.
    if (!IsPlainDirectory(temp)) return own;
    const std::optional<std::wstring> wideTemp = SystemName(temp);
    Handle a = OpenToInspect(own, true);
    Handle b(::CreateFileW(wideTemp->c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll,
                           nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!a.valid() || !b.valid() || !InfoOf(a, &ia) || !InfoOf(b, &ib) ||
        ia.dwVolumeSerialNumber != ib.dwVolumeSerialNumber) {
      return own;
    }
    // Anyone may make a TEMP at the root of a drive, and one made there lets every
    // signed-in user change it: it is used only when nobody but the user, the system and
    // the administrators may.
    if (!OnlyTrustedMayChange(b)) return own;
    if (!CanWriteInto(temp)) return own;
    return temp;
  }

  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(::GetTickCount64()); }

 private:
  // Whether the open `h` is still the temporary file made under `path`, when `path` is one.
  bool StillMade(const Handle& h, const std::string& path) {
    const std::optional<FileId> made = made_.Find(path);
    if (!made) return true;
    BY_HANDLE_FILE_INFORMATION info;
    return InfoOf(h, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           IdOf(info) == *made;
  }

  // The facts of `name`, of the file a link leads to when `follow`, else of the link.
  //
  // Opening a pipe takes one of its instances from whoever waits on it, and opening a
  // serial port may reset it: a device is known by its name alone, and what a name
  // (or a link on the way, when followed) leads to is asked of its attributes before
  // anything is opened. Only a file or folder on a disk is opened, for its identity.
  FileFacts Facts(const std::string& name, bool follow) {
    FileFacts facts;
    std::string at = name;
    for (int hops = 0;; ++hops) {
      if (IsDeviceName(FullPathOf(at))) {
        facts.exists = true;
        return facts;
      }
      const std::optional<std::wstring> wide = SystemName(at);
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (!wide || wide->empty()) return facts;
      if (!::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return facts;
        break;  // something is there that keeps its attributes to itself
      }
      if (!follow || !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
          hops >= kMaxLinkHops) {
        break;
      }
      // The link itself is opened, to read where it points; the system follows it below.
      Handle link = OpenToInspect(at, /*follow=*/false);
      DWORD error = 0;
      if (!link.valid() || !IsLink(link) ||
          !LinkTarget(link, DirectoryOf(FullPathOf(at)), &at, &error)) {
        break;
      }
    }
    Handle h = OpenToInspect(name, follow);
    if (!h.valid()) {
      // A link that leads nowhere is no file; one open elsewhere in a way that keeps even
      // this out is known by its attributes only, and never taken for another file.
      const DWORD error = ::GetLastError();
      if (follow && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) return facts;
      const DWORD attributes = AttributesOf(name);
      if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
      facts.exists = true;
      facts.link = !follow && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
      facts.directory = !facts.link && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      facts.regular = !facts.link && !facts.directory;
      facts.writable = false;
      facts.mode = facts.regular ? 0444 : 0777;
      facts.id = FileId{~0ull, ++unknownIds_};
      return facts;
    }
    facts.exists = true;
    BY_HANDLE_FILE_INFORMATION info;
    if (!InfoOf(h, &info)) return facts;  // a device such as NUL or CON: not regular
    facts.id = IdOf(info);
    if (!follow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLink(h)) {
      facts.link = true;
      facts.mode = 0777;
      return facts;
    }
    facts.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.directory;
    if (facts.regular) {
      facts.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts.writable = facts.regular && !readOnly;
    facts.mode = facts.directory ? 0777 : (readOnly ? 0444 : 0666);
    return facts;
  }

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
