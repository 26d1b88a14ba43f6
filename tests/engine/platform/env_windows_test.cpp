// The Windows Env: paths, folders, temporary files and the commit, run under Windows or
// Wine.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/commit.h"
#include "engine/platform/env.h"
#include "engine/texts.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::wstring Wide(const std::string& name) { return std::wstring(name.begin(), name.end()); }

void SetReadOnly(const std::string& name, bool readOnly) {
  ASSERT_TRUE(::SetFileAttributesW(Wide(name).c_str(),
                                   readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
}

// The folder at the real path of `path`, as the engine opens it.
std::unique_ptr<Folder> OpenAt(Env* env, const std::string& path) {
  return env->OpenFolder(env->RealPath(path));
}

// The name of a file of `folder` within it.
std::string Leaf(const Folder& folder, const std::string& name) {
  return name.substr(folder.path().size() + 1);
}

// Writes a temporary file of `folder` and returns its name there.
std::string MakeTemp(Env* env, Folder& folder, const std::string& bytes) {
  std::string name;
  auto file = env->CreateTempFile(folder, &name);
  if (!file || !file->Write(bytes.data(), bytes.size()) || !file->Close()) return std::string();
  return Leaf(folder, name);
}

// The SID of the user running the test, in SDDL ("S-1-5-21-...").
std::string UserSid() {
  HANDLE token = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  BYTE buffer[256];
  DWORD size = 0;
  EXPECT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
  ::CloseHandle(token);
  wchar_t* text = nullptr;
  EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
  const std::wstring wide(text);
  ::LocalFree(text);
  return std::string(wide.begin(), wide.end());
}

// The DACL of `path` in SDDL, or why there is none to read.
std::string DaclOf(const std::string& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  const DWORD error =
      ::GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &sd);
  if (error != ERROR_SUCCESS) return "error " + std::to_string(error);
  wchar_t* text = nullptr;
  ::ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1,
                                                         DACL_SECURITY_INFORMATION, &text, nullptr);
  const std::wstring wide(text ? text : L"");
  ::LocalFree(text);
  ::LocalFree(sd);
  return std::string(wide.begin(), wide.end());
}

// Gives `path` the DACL of the SDDL text `dacl` ("D:P(A;;FA;;;SY)...").
void SetDacl(const std::string& path, const std::string& dacl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(dacl).c_str(),
                                                                     SDDL_REVISION_1, &sd, nullptr))
      << dacl;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  ::GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted);
  const DWORD error =
      ::SetNamedSecurityInfoW(Wide(path).data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr);
  ::LocalFree(sd);
  ASSERT_EQ(error, DWORD{ERROR_SUCCESS}) << path;
}

// Whether an ACE of `path` lets anyone but the user and the system at it.
bool OthersMayOpen(const std::string& path) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  if (::GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS) {
    ADD_FAILURE() << path;
    return true;
  }
  const std::string user = UserSid();
  bool others = dacl == nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ::GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || ace->Mask == 0) continue;
    wchar_t* text = nullptr;
    ::ConvertSidToStringSidW(&ace->SidStart, &text);
    const std::wstring sid(text);
    ::LocalFree(text);
    if (std::string(sid.begin(), sid.end()) != user && sid != L"S-1-5-18") others = true;
  }
  ::LocalFree(sd);
  return others;
}

TEST(EnvWindowsTest, DirectoriesAndFullPaths) {
  const struct {
    const char* path;
    const char* directory;
  } cases[] = {{"C:/a/b/c.txt", "C:/a/b"}, {"C:\\a\\c.txt", "C:\\a"}, {"C:/c.txt", "C:/"},
               {"C:\\c.txt", "C:\\"},      {"/c.txt", "/"},           {"c.txt", "."}};
  for (const auto& c : cases) EXPECT_EQ(DirectoryOf(c.path), c.directory) << c.path;
  Env* env = Env::Default();
  EXPECT_EQ(env->FullPath("C:\\a\\\\b\\.\\c\\..\\d"), "C:/a/b/d");
  EXPECT_EQ(env->FullPath("C:/../x"), "C:/x");
  EXPECT_EQ(env->FullPath(""), "");
  EXPECT_EQ(env->FullPath("bad\xff"), "");  // not UTF-8
}

TEST(EnvWindowsTest, TemporaryFilesAreNewUniqueAndBesideTheDestinationWithoutATemp) {
  TempDir dir;
  Env* env = Env::Default();
  const std::string real = env->RealPath(dir.File("out.txt"));
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.substr(real.size() - 8), "/out.txt");
  const std::string place = env->TempDirectoryFor(real);
  const std::string root = place.substr(0, 3);
  if (::GetFileAttributesW(Wide(root + "TEMP").c_str()) != INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << root << "TEMP exists here";
  }
  EXPECT_EQ(place, DirectoryOf(real));
  auto folder = env->OpenFolder(place);
  ASSERT_NE(folder, nullptr);
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    std::string name;
    auto file = env->CreateTempFile(*folder, &name);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(name.rfind(place + "/vnt", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_TRUE(env->CanWriteInto(dir.path()));
  EXPECT_EQ(dir.List().size(), 20u);  // the probe of CanWriteInto leaves nothing
  // Only a folder opens as one, and a failure says why.
  WriteFile(dir.File("file.txt"), "");
  for (const std::string& path : {dir.File("missing"), dir.File("file.txt")}) {
    TakeFailureNote();
    EXPECT_EQ(env->OpenFolder(path), nullptr) << path;
    EXPECT_NE(TakeFailureNote(), "") << path;
  }
}

TEST(EnvWindowsTest, TheCommitReplacesInOneStepAndLeavesAReadOnlyFileAlone) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("out.txt"), "old\n");
  auto folder = OpenAt(env, dir.path());
  ASSERT_NE(folder, nullptr);
  for (bool readOnly : {true, false}) {
    SetReadOnly(dir.File("out.txt"), readOnly);
    for (const FileFacts& facts :
         {env->Inspect(dir.File("out.txt")), env->InspectIn(*folder, "out.txt")}) {
      EXPECT_TRUE(facts.exists && facts.regular && !facts.link);
      EXPECT_EQ(facts.writable, !readOnly);
      EXPECT_EQ(facts.mode, readOnly ? 0444u : 0666u);
    }
    std::string temp;
    auto file = env->CreateTempFile(*folder, &temp);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("new\n", 4) && file->Sync() && file->Close());
    ASSERT_TRUE(env->SyncFileIn(*folder, Leaf(*folder, temp)));
    EXPECT_EQ(env->RenameIn(*folder, Leaf(*folder, temp), *folder, "out.txt"), !readOnly);
    EXPECT_TRUE(env->SyncFolder(*folder));
    EXPECT_EQ(ReadFile(dir.File("out.txt")), readOnly ? "old\n" : "new\n");
    if (readOnly) {
      EXPECT_TRUE(env->DeleteIn(*folder, Leaf(*folder, temp)));
    }
  }
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
  // SetModeIn keeps a read-only file read-only.
  ASSERT_TRUE(env->SetModeIn(*folder, "out.txt", 0444));
  EXPECT_FALSE(env->Inspect(dir.File("out.txt")).writable);
  ASSERT_TRUE(env->SetModeIn(*folder, "out.txt", 0644));
  EXPECT_TRUE(env->Inspect(dir.File("out.txt")).writable);
}

TEST(EnvWindowsTest, OnlyDiskFilesOpenAndATemporaryFileOnlyAsItself) {
  TempDir dir;
  Env* env = Env::Default();
  EXPECT_EQ(env->OpenForReading(dir.path()), nullptr);
  EXPECT_EQ(env->OpenForReading("NUL"), nullptr);
  EXPECT_TRUE(env->Inspect(dir.path()).directory);
  // A stream of a list is not read as the list.
  WriteFile(dir.File("in.txt"), "list\n");
  TakeFailureNote();
  EXPECT_EQ(env->OpenForReading(dir.File("in.txt:s")), nullptr);
  EXPECT_EQ(TakeFailureNote().rfind("cannot open", 0), 0u);
  auto folder = OpenAt(env, dir.path());
  ASSERT_NE(folder, nullptr);
  std::string temp;
  auto file = env->CreateTempFile(*folder, &temp);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->Write("mine\n", 5) && file->Close());
  auto reader = env->OpenForReading(temp);
  ASSERT_NE(reader, nullptr);
  char buffer[16];
  std::size_t got = 0;
  ASSERT_TRUE(reader->Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "mine\n");
  reader.reset();
  // Another file put under its name is neither read nor committed.
  ASSERT_TRUE(env->DeleteIn(*folder, Leaf(*folder, temp)));
  std::string ignored;
  WriteFile(temp, "theirs\n");
  EXPECT_NE(env->OpenForReading(temp), nullptr);  // forgotten once deleted
  auto again = env->CreateTempFile(*folder, &ignored);
  ASSERT_NE(again, nullptr);
  again->Close();
  ASSERT_TRUE(::MoveFileExW(Wide(temp).c_str(), Wide(ignored).c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(env->OpenForReading(ignored), nullptr);
  TakeFailureNote();
  EXPECT_FALSE(env->SyncFileIn(*folder, Leaf(*folder, ignored)));
  EXPECT_NE(TakeFailureNote().find("replaced"), std::string::npos);
  EXPECT_FALSE(env->RenameIn(*folder, Leaf(*folder, ignored), *folder, "out.txt"));
  EXPECT_FALSE(testing::FileExists(dir.File("out.txt")));
}

// A pipe opened only to be looked at would be taken from the one client it waits for.
TEST(EnvWindowsTest, DevicesAreThereAndNoFilesWithoutBeingOpened) {
  const std::string pipe = "\\\\.\\pipe\\vantor-inspect-" + std::to_string(::GetCurrentProcessId());
  HANDLE server = ::CreateNamedPipeW(Wide(pipe).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0,
                                     0, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  Env* env = Env::Default();
  for (const std::string& name : {pipe, std::string("\\\\.\\pipe\\x"), std::string("NUL")}) {
    const FileFacts facts = env->Inspect(name);
    EXPECT_TRUE(facts.exists) << name;
    EXPECT_FALSE(facts.regular || facts.directory || facts.link) << name;
  }
  HANDLE client = ::CreateFileW(Wide(pipe).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(client, INVALID_HANDLE_VALUE) << "the pipe's one instance was taken";
  if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
  ::CloseHandle(server);
}

TEST(EnvWindowsTest, AHeldFolderStaysWhereItIsAndKeepsWhatIsMadeInIt) {
  TempDir dir;
  Env* env = Env::Default();
  ASSERT_TRUE(::CreateDirectoryW(Wide(dir.File("held")).c_str(), nullptr));
  const std::wstring away = Wide(dir.File("away"));
  {
    auto folder = OpenAt(env, dir.File("held"));
    ASSERT_NE(folder, nullptr);
    EXPECT_FALSE(::MoveFileExW(Wide(dir.File("held")).c_str(), away.c_str(), 0));
    const std::string temp = MakeTemp(env, *folder, "made\n");
    ASSERT_NE(temp, "");
    ASSERT_TRUE(env->RenameIn(*folder, temp, *folder, "out.txt"));
    EXPECT_EQ(ReadFile(dir.File("held/out.txt")), "made\n");
  }
  // Released, it moves: the handle was what kept it.
  EXPECT_TRUE(::MoveFileExW(Wide(dir.File("held")).c_str(), away.c_str(), 0));
}

TEST(EnvWindowsTest, AKeptLinkHoldsTheReplacedFileAndPutsItBack) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("out.txt"), "old\n");
  auto folder = OpenAt(env, dir.path());
  ASSERT_NE(folder, nullptr);
  std::string kept;
  TakeFailureNote();
  EXPECT_EQ(env->KeepLink(*folder, "missing.txt", &kept), KeepResult::kFailed);
  EXPECT_NE(TakeFailureNote(), "");
  const KeepResult result = env->KeepLink(*folder, "out.txt", &kept);
  if (result == KeepResult::kNoHardLinks) GTEST_SKIP() << "no hard links on this file system";
  ASSERT_EQ(result, KeepResult::kKept);
  EXPECT_EQ(kept.rfind("vnt", 0), 0u) << kept;
  const std::string temp = MakeTemp(env, *folder, "new\n");
  ASSERT_NE(temp, "");
  ASSERT_TRUE(env->RenameIn(*folder, temp, *folder, "out.txt"));
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "new\n");
  EXPECT_EQ(ReadFile(dir.File(kept)), "old\n");
  // The kept name put back undoes the commit.
  ASSERT_TRUE(env->RenameIn(*folder, kept, *folder, "out.txt"));
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "old\n");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
}

TEST(EnvWindowsTest, APlaceIsTheRealFolderAndTheNameInIt) {
  TempDir dir;
  Env* env = Env::Default();
  ASSERT_TRUE(::CreateDirectoryW(Wide(dir.File("sub")).c_str(), nullptr));
  WriteFile(dir.File("old.txt"), "");
  const std::string real = env->RealPath(dir.path());
  ASSERT_FALSE(real.empty());
  const struct {
    std::string name;
    std::string folder;
    std::string leaf;
  } cases[] = {
      {dir.File("new.txt"), real, "new.txt"},
      {dir.File("old.txt"), real, "old.txt"},
      {dir.path() + "\\sub\\new.txt", real + "/sub", "new.txt"},
      {dir.File("sub/../new.txt"), real, "new.txt"},
      // Windows takes ".." off the name before it looks for any folder.
      {dir.File("missing/../new.txt"), real, "new.txt"},
      // A folder or a device, which the engine refuses itself.
      {dir.File("sub/"), real, "sub"},
      {"NUL", "//.", "NUL"},
  };
  for (const auto& c : cases) {
    const Placement place = env->Place(c.name);
    EXPECT_EQ(place.refusal, Placement::Refusal::kNone) << c.name << ": " << place.reason;
    EXPECT_EQ(place.folder, c.folder) << c.name;
    EXPECT_EQ(place.name, c.leaf) << c.name;
  }
  // A stream, of a file or a folder, whether there or not, is refused in the system's
  // words for a name that cannot be.
  const std::string badName = "The filename, directory name, or volume label syntax is incorrect";
  const struct {
    std::string name;
    Placement::Refusal refusal;
    std::string reason;  // any when empty
  } refused[] = {
      {dir.File("missing/new.txt"), Placement::Refusal::kNoFolder, ""},
      {dir.File("missing/"), Placement::Refusal::kNoFolder, ""},
      {dir.File("old.txt/new.txt"), Placement::Refusal::kSystem, ""},
      {dir.File(std::string(300, 'x')), Placement::Refusal::kSystem, ""},
      {dir.File("old.txt:stream"), Placement::Refusal::kSystem, badName},
      {dir.File("new.txt:s"), Placement::Refusal::kSystem, badName},
      {dir.File("sub:s/new.txt"), Placement::Refusal::kSystem, badName},
      {dir.File("missing:s/new.txt"), Placement::Refusal::kSystem, badName},
  };
  for (const auto& c : refused) {
    const Placement place = env->Place(c.name);
    EXPECT_EQ(place.refusal, c.refusal) << c.name;
    EXPECT_NE(place.reason, "") << c.name;
    if (!c.reason.empty()) EXPECT_EQ(place.reason, c.reason) << c.name;
  }
}

// Whatever the folder lets others do, a list being worked on is the user's alone until
// the commit; put in place, the result lets others do what the file it replaced let
// them (and is hidden if that was), or, under a new name, what any new file there does.
TEST(EnvWindowsTest, ResultsArePrivateUntilPutInPlaceThenTakeTheRightsOfThePlace) {
  TempDir dir;
  Env* env = Env::Default();
  const std::string user = UserSid();
  WriteFile(dir.File("out.txt"), "old\n");
  SetDacl(dir.File("out.txt"), "D:P(A;;FA;;;SY)(A;;FA;;;" + user + ")(A;;0x1301bf;;;WD)");
  ASSERT_TRUE(::SetFileAttributesW(Wide(dir.File("out.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN));
  const std::string replaced = DaclOf(dir.File("out.txt"));
  ASSERT_TRUE(OthersMayOpen(dir.File("out.txt"))) << replaced;
  WriteFile(dir.File("plain.txt"), "");
  const std::string plain = DaclOf(dir.File("plain.txt"));

  JobCommit commit(env);
  for (const char* name : {"out.txt", "new.txt"}) {
    const std::size_t target = commit.AddTarget(dir.File(name), false, kOpenOutputFailed);
    Folder& folder = commit.FolderOf(target);
    const std::string temp = MakeTemp(env, folder, std::string(name) + "\n");
    ASSERT_FALSE(temp.empty());
    EXPECT_FALSE(OthersMayOpen(dir.File(temp))) << DaclOf(dir.File(temp));
    commit.SetResult(target, folder, temp, dir.File(temp));
  }
  commit.Commit({});
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "out.txt\n");
  EXPECT_EQ(DaclOf(dir.File("out.txt")), replaced);
  EXPECT_TRUE(::GetFileAttributesW(Wide(dir.File("out.txt")).c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(DaclOf(dir.File("new.txt")), plain);
  EXPECT_FALSE(::GetFileAttributesW(Wide(dir.File("new.txt")).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// The test script maps a drive of its own (VANTOR_TEST_DRIVE, "T:"), whose root may hold
// a TEMP: anyone may make one at the root of a drive, and there it lets every user change
// it unless told otherwise.
TEST(EnvWindowsTest, TheDrivesTempOnlyWhenNobodyElseMayChangeIt) {
  const char* drive = std::getenv("VANTOR_TEST_DRIVE");
  if (!drive || !*drive) GTEST_SKIP() << "no test drive (VANTOR_TEST_DRIVE)";
  const std::string root = std::string(drive) + "/";
  const std::string temp = root + "TEMP";
  const std::string lists = root + "lists";
  ::CreateDirectoryW(Wide(temp).c_str(), nullptr);
  ::CreateDirectoryW(Wide(lists).c_str(), nullptr);
  Env* env = Env::Default();
  const std::string user = UserSid();
  const std::string own = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + user + ")";
  const struct {
    const char* others;  // what everyone else may do
    bool used;
  } cases[] = {
      {"(A;OICI;0x1301bf;;;WD)", false},  // change: make, rename, delete
      {"(A;OICI;0x1200a9;;;WD)", true},   // read and list only
      {"(A;OICI;0x100002;;;WD)", false},  // make files only
      {"(A;OICI;0x1200a9;;;WD)", true},
  };
  for (const auto& c : cases) {
    SetDacl(temp, own + c.others);
    const std::string place = env->TempDirectoryFor(env->RealPath(lists + "/out.txt"));
    EXPECT_EQ(place, c.used ? env->RealPath(temp) : env->RealPath(lists)) << c.others;
  }
  // A temporary file there is the user's alone however open the folder is.
  SetDacl(temp, own + "(A;OICI;0x1301bf;;;WD)");
  auto folder = env->OpenFolder(env->RealPath(temp));
  ASSERT_NE(folder, nullptr);
  const std::string made = MakeTemp(env, *folder, "list\n");
  ASSERT_FALSE(made.empty());
  EXPECT_FALSE(OthersMayOpen(temp + "/" + made)) << DaclOf(temp + "/" + made);
  EXPECT_TRUE(env->DeleteIn(*folder, made));
}

// Past MAX_PATH characters the plain calls refuse a path unless both the program and the
// machine allow long ones; a job in a folder 400 characters deep runs all the same.
TEST(EnvWindowsTest, PathsPastTheOldLimitWork) {
  TempDir dir;
  Env* env = Env::Default();
  std::string deep = env->RealPath(dir.path());
  for (const char c : {'a', 'b', 'c', 'd'}) {
    deep += "/" + std::string(100, c);
    std::wstring wide = L"\\\\?\\" + Wide(deep);
    for (wchar_t& w : wide) w = w == L'/' ? L'\\' : w;
    ASSERT_TRUE(::CreateDirectoryW(wide.c_str(), nullptr)) << ::GetLastError();
  }
  ASSERT_GT(deep.size(), 400u);
  const std::string out = deep + "/out.txt";
  const Placement place = env->Place(out);
  ASSERT_EQ(place.refusal, Placement::Refusal::kNone) << place.reason;
  EXPECT_EQ(place.folder, deep);
  EXPECT_EQ(env->RealPath(out), out);
  EXPECT_EQ(env->TempDirectoryFor(out), deep);
  for (int round = 0; round < 2; ++round) {
    JobCommit commit(env);
    const std::size_t target = commit.AddTarget(out, false, kOpenOutputFailed);
    Folder& folder = commit.FolderOf(target);
    const std::string temp = MakeTemp(env, folder, round == 0 ? "first\n" : "second\n");
    ASSERT_FALSE(temp.empty()) << TakeFailureNote();
    ASSERT_TRUE(env->SyncFileIn(folder, temp)) << TakeFailureNote();
    commit.SetResult(target, folder, temp, deep + "/" + temp);
    commit.Commit({});
  }
  const FileFacts facts = env->Inspect(out);
  EXPECT_TRUE(facts.exists && facts.regular && facts.writable);
  auto file = env->OpenForReading(out);
  ASSERT_NE(file, nullptr) << TakeFailureNote();
  char bytes[16];
  std::size_t got = 0;
  ASSERT_TRUE(file->Read(bytes, sizeof bytes, &got));
  EXPECT_EQ(std::string(bytes, got), "second\n");
  std::vector<std::string> names;
  ASSERT_TRUE(env->ListDirectory(deep, &names));
  EXPECT_EQ(names, std::vector<std::string>{"out.txt"});
}

}  // namespace
}  // namespace vantor
