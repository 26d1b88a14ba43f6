// The Windows Env: paths, folders, temporary files and the commit, run under Windows or
// Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/platform/env.h"
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

}  // namespace
}  // namespace vantor
