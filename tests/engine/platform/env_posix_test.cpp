#include "engine/platform/env.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>

#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(EnvTest, FullPathIsAbsoluteAndLexicallyNormal) {
  Env* env = Env::Default();
  EXPECT_EQ(env->FullPath("/a//b/./c/../d"), "/a/b/d");
  EXPECT_EQ(env->FullPath("/../x"), "/x");
  EXPECT_EQ(env->FullPath("/"), "/");
  EXPECT_EQ(env->FullPath(""), "");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(env->FullPath("x/../y.txt"), std::string(cwd == std::string("/") ? "" : cwd) + "/y.txt");
}

TEST(EnvTest, DirectoryOfAPath) {
  EXPECT_EQ(DirectoryOf("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(DirectoryOf("/c.txt"), "/");
  EXPECT_EQ(DirectoryOf("c.txt"), ".");
}

TEST(EnvTest, TemporaryFilesGoBesideTheDestinationWithoutATempDirectory) {
  TempDir dir;
  Env* env = Env::Default();
  struct stat st;
  if (::stat("/TEMP", &st) == 0) GTEST_SKIP() << "this machine has a /TEMP";
  std::string place = env->TempDirectoryFor(dir.File("out.txt"));
  // Either the destination's own directory, or TEMP at the root of its file system.
  EXPECT_TRUE(place == dir.path() || (place.size() >= 5 && place.substr(place.size() - 5) == "/TEMP"))
      << place;
  // A destination in a directory that does not exist keeps that directory: making the
  // temporary file there fails later, with its own error.
  EXPECT_EQ(env->TempDirectoryFor(dir.File("no/such/out.txt")), dir.File("no/such"));
}

TEST(EnvTest, TemporaryFilesAreNewPrivateAndUnique) {
  TempDir dir;
  Env* env = Env::Default();
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    std::string name;
    ASSERT_NE(env->CreateTempFile(dir.path(), &name), nullptr);
    EXPECT_EQ(name.rfind(dir.path() + "/vnt", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    struct stat st;
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u);
  std::string name;
  EXPECT_EQ(env->CreateTempFile(dir.File("missing"), &name), nullptr);
}

TEST(EnvTest, OnlyRegularFilesOpenForReading) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("a"), "x");
  EXPECT_NE(env->OpenForReading(dir.File("a")), nullptr);
  EXPECT_EQ(env->OpenForReading(dir.path()), nullptr);
  EXPECT_EQ(env->OpenForReading(dir.File("b")), nullptr);
}

TEST(EnvTest, InspectTellsWhetherAFileMayBeReplaced) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("a"), "x");
  ::chmod(dir.File("a").c_str(), 0640);
  FileFacts facts = env->Inspect(dir.File("a"));
  EXPECT_TRUE(facts.exists);
  EXPECT_TRUE(facts.writable);
  EXPECT_EQ(facts.mode, 0640u);
  ::chmod(dir.File("a").c_str(), 0444);
  EXPECT_FALSE(env->Inspect(dir.File("a")).writable);
  EXPECT_FALSE(env->Inspect(dir.File("none")).exists);
  EXPECT_FALSE(env->Inspect(dir.path()).writable);
}

}  // namespace
}  // namespace vantor
