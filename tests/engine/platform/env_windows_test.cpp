// The Windows Env: paths, temporary files and the commit, run under Windows or Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

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
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    std::string name;
    auto file = env->CreateTempFile(dir.path(), &name);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(name.rfind(dir.path() + "/vnt", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_TRUE(env->CanWriteInto(dir.path()));
  EXPECT_EQ(dir.List().size(), 20u);  // the probe of CanWriteInto leaves nothing
  EXPECT_EQ(env->CreateTempFile(dir.File("missing"), new std::string), nullptr);
}

TEST(EnvWindowsTest, TheCommitReplacesInOneStepAndLeavesAReadOnlyFileAlone) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("out.txt"), "old\n");
  for (bool readOnly : {true, false}) {
    SetReadOnly(dir.File("out.txt"), readOnly);
    const FileFacts facts = env->Inspect(dir.File("out.txt"));
    EXPECT_TRUE(facts.exists && facts.regular);
    EXPECT_EQ(facts.writable, !readOnly);
    EXPECT_EQ(facts.mode, readOnly ? 0444u : 0666u);
    std::string temp;
    auto file = env->CreateTempFile(dir.path(), &temp);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("new\n", 4) && file->Sync() && file->Close());
    ASSERT_TRUE(env->SyncFile(temp));
    EXPECT_EQ(env->Rename(temp, dir.File("out.txt")), !readOnly);
    EXPECT_EQ(ReadFile(dir.File("out.txt")), readOnly ? "old\n" : "new\n");
    if (readOnly) EXPECT_TRUE(env->Delete(temp));
  }
  // SetMode keeps a read-only file read-only.
  ASSERT_TRUE(env->SetMode(dir.File("out.txt"), 0444));
  EXPECT_FALSE(env->Inspect(dir.File("out.txt")).writable);
  ASSERT_TRUE(env->SetMode(dir.File("out.txt"), 0644));
  EXPECT_TRUE(env->Inspect(dir.File("out.txt")).writable);
}

TEST(EnvWindowsTest, OnlyDiskFilesOpenAndATemporaryFileOnlyAsItself) {
  TempDir dir;
  Env* env = Env::Default();
  EXPECT_EQ(env->OpenForReading(dir.path()), nullptr);
  EXPECT_EQ(env->OpenForReading("NUL"), nullptr);
  EXPECT_FALSE(env->Inspect("NUL").regular);
  EXPECT_TRUE(env->Inspect(dir.path()).directory);
  std::string temp;
  auto file = env->CreateTempFile(dir.path(), &temp);
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
  ASSERT_TRUE(env->Delete(temp));
  std::string ignored;
  WriteFile(temp, "theirs\n");
  EXPECT_NE(env->OpenForReading(temp), nullptr);  // forgotten once deleted
  auto again = env->CreateTempFile(dir.path(), &ignored);
  ASSERT_NE(again, nullptr);
  again->Close();
  ASSERT_TRUE(::MoveFileExW(Wide(temp).c_str(), Wide(ignored).c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(env->OpenForReading(ignored), nullptr);
  EXPECT_FALSE(env->Rename(ignored, dir.File("out.txt")));
  EXPECT_FALSE(testing::FileExists(dir.File("out.txt")));
}

}  // namespace
}  // namespace vantor
