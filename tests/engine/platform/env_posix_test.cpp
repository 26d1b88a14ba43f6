#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <set>
#include <string>

#include "engine/platform/env.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// The folder `path` (resolved first: a Folder opens real paths only).
std::unique_ptr<Folder> OpenReal(const std::string& path) {
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real) == nullptr) return nullptr;
  return Env::Default()->OpenFolder(real);
}

std::string LeafOf(const std::string& name) { return name.substr(name.find_last_of('/') + 1); }

TEST(EnvTest, FullPathIsAbsoluteAndLexicallyNormal) {
  Env* env = Env::Default();
  EXPECT_EQ(env->FullPath("/a//b/./c/../d"), "/a/b/d");
  EXPECT_EQ(env->FullPath("/../x"), "/x");
  EXPECT_EQ(env->FullPath("/"), "/");
  EXPECT_EQ(env->FullPath(""), "");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(env->FullPath("x/../y.txt"),
            std::string(cwd == std::string("/") ? "" : cwd) + "/y.txt");
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
  EXPECT_TRUE(place == dir.path() ||
              (place.size() >= 5 && place.substr(place.size() - 5) == "/TEMP"))
      << place;
  // A destination in a directory that does not exist keeps that directory: making the
  // temporary file there fails later, with its own error.
  EXPECT_EQ(env->TempDirectoryFor(dir.File("no/such/out.txt")), dir.File("no/such"));
}

TEST(EnvTest, TemporaryFilesAreNewPrivateAndUnique) {
  TempDir dir;
  Env* env = Env::Default();
  std::set<std::string> names;
  std::unique_ptr<Folder> folder = OpenReal(dir.path());
  ASSERT_NE(folder, nullptr);
  for (int i = 0; i < 50; ++i) {
    std::string name;
    ASSERT_NE(env->CreateTempFile(*folder, &name), nullptr);
    EXPECT_EQ(name.rfind(folder->path() + "/vnt", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    struct stat st;
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u);
  EXPECT_EQ(env->OpenFolder(folder->path() + "/missing"), nullptr);
}

TEST(EnvTest, OnlyRegularFilesOpenForReadingAndNoneBlocks) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("a"), "x");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_NE(env->OpenForReading(dir.File("a")), nullptr);
  EXPECT_EQ(env->OpenForReading(dir.path()), nullptr);
  EXPECT_EQ(env->OpenForReading(dir.File("b")), nullptr);
  // Without a writer, a blocking open of a FIFO would never return.
  EXPECT_EQ(env->OpenForReading(dir.File("fifo")), nullptr);
  EXPECT_EQ(env->OpenForReading("/dev/null"), nullptr);
}

// Another user who may write into the folder swaps a temporary file for a link to a
// file of the victim's: the bytes go to the file created, never through the link, and
// the link is neither read nor put in place.
TEST(EnvTest, ATemporaryFileSwappedUnderItsNameIsNotUsed) {
  TempDir dir;
  Env* env = Env::Default();
  WriteFile(dir.File("victim"), "secret\n");
  std::string name;
  std::unique_ptr<Folder> folder = OpenReal(dir.path());
  std::unique_ptr<WritableFile> file = env->CreateTempFile(*folder, &name);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(::rename(name.c_str(), dir.File("moved").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("victim").c_str(), name.c_str()), 0);
  ASSERT_TRUE(file->Write("result\n", 7));
  ASSERT_TRUE(file->Close());
  EXPECT_EQ(env->OpenForReading(name), nullptr);
  EXPECT_FALSE(env->SyncFileIn(*folder, LeafOf(name)));
  EXPECT_FALSE(env->RenameIn(*folder, LeafOf(name), *folder, "out.txt"));
  EXPECT_EQ(testing::ReadFile(dir.File("victim")), "secret\n");
  EXPECT_EQ(testing::ReadFile(dir.File("moved")), "result\n");
  EXPECT_FALSE(testing::FileExists(dir.File("out.txt")));
}

TEST(EnvTest, NoLinkIsFollowedOnTheWayToAFolder) {
  TempDir dir;
  Env* env = Env::Default();
  std::unique_ptr<Folder> top = OpenReal(dir.path());
  ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("link").c_str()), 0);
  EXPECT_EQ(env->OpenFolder(top->path() + "/link"), nullptr);
  EXPECT_EQ(env->OpenFolder(top->path() + "/link/."), nullptr);
  EXPECT_NE(env->OpenFolder(top->path() + "/real"), nullptr);
}

// Another user renames the folder away and puts a link to a folder of the victim's in
// its place: what is made, renamed and removed through the folder stays in it.
TEST(EnvTest, AFolderSwappedForALinkKeepsItsFiles) {
  TempDir dir;
  Env* env = Env::Default();
  ASSERT_EQ(::mkdir(dir.File("shared").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.File("private").c_str(), 0700), 0);
  WriteFile(dir.File("private/out.txt"), "private\n");
  std::unique_ptr<Folder> folder = OpenReal(dir.File("shared"));
  ASSERT_NE(folder, nullptr);
  ASSERT_EQ(::rename(dir.File("shared").c_str(), dir.File("away").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("private").c_str(), dir.File("shared").c_str()), 0);
  std::string name;
  std::unique_ptr<WritableFile> file = env->CreateTempFile(*folder, &name);
  ASSERT_TRUE(file && file->Write("result\n", 7) && file->Close());
  ASSERT_TRUE(env->RenameIn(*folder, LeafOf(name), *folder, "out.txt"));
  EXPECT_EQ(ReadFile(dir.File("away/out.txt")), "result\n");
  EXPECT_EQ(ReadFile(dir.File("private/out.txt")), "private\n");
  // The swap is seen: the path no longer leads to the folder opened.
  std::unique_ptr<Folder> again = env->OpenFolder(folder->path());
  EXPECT_TRUE(again == nullptr || again->id() != folder->id());
}

// The old file lives on under its kept name when the new one takes its place, and
// renaming the kept name back undoes the replacement.
TEST(EnvTest, AKeptLinkHoldsTheReplacedFile) {
  TempDir dir;
  Env* env = Env::Default();
  std::unique_ptr<Folder> folder = OpenReal(dir.path());
  WriteFile(dir.File("out.txt"), "old\n");
  std::string kept;
  ASSERT_EQ(env->KeepLink(*folder, "out.txt", &kept), KeepResult::kKept);
  EXPECT_EQ(kept.rfind("vnt", 0), 0u);
  std::string name;
  std::unique_ptr<WritableFile> file = env->CreateTempFile(*folder, &name);
  ASSERT_TRUE(file && file->Write("new\n", 4) && file->Close());
  ASSERT_TRUE(env->RenameIn(*folder, LeafOf(name), *folder, "out.txt"));
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "new\n");
  EXPECT_EQ(ReadFile(dir.File(kept)), "old\n");
  ASSERT_TRUE(env->RenameIn(*folder, kept, *folder, "out.txt"));
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "old\n");
  EXPECT_FALSE(testing::FileExists(dir.File(kept)));
}

// Where a result goes: links resolved once, each refusal with the system's reason.
TEST(EnvTest, PlaceResolvesTheNameOnceAndSaysWhyItCannot) {
  TempDir dir;
  Env* env = Env::Default();
  const std::string base = OpenReal(dir.path())->path();
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
  WriteFile(dir.File("sub/list.txt"), "x\n");
  ASSERT_EQ(::symlink("sub/list.txt", dir.File("tolist").c_str()), 0);
  ASSERT_EQ(::symlink("sub/new.txt", dir.File("tonew").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere/x", dir.File("intonothing").c_str()), 0);
  ASSERT_EQ(::symlink("loop2", dir.File("loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", dir.File("loop2").c_str()), 0);
  using R = Placement::Refusal;
  struct Case {
    std::string name;
    R refusal;
    std::string where;  // folder/name, or the reason
  };
  const Case cases[] = {
      {dir.File("out.txt"), R::kNone, base + "/out.txt"},
      {dir.File("sub/../sub/list.txt"), R::kNone, base + "/sub/list.txt"},
      {dir.File("tolist"), R::kNone, base + "/sub/list.txt"},
      {dir.File("tonew"), R::kNone, base + "/sub/new.txt"},  // made where it points
      {dir.File("missing/out.txt"), R::kNoFolder, "No such file or directory"},
      {dir.File("intonothing"), R::kSystem, "No such file or directory"},
      {dir.File("loop1"), R::kSystem, "Too many levels of symbolic links"},
      {dir.File(std::string(256, 'n')), R::kSystem, "File name too long"},
  };
  for (const Case& c : cases) {
    const Placement place = env->Place(c.name);
    EXPECT_EQ(place.refusal, c.refusal) << c.name;
    EXPECT_EQ(c.refusal == R::kNone ? place.folder + "/" + place.name : place.reason, c.where)
        << c.name;
  }
}

// In a folder that is sticky and writable by all, a link is followed only when it is
// the user's or the folder owner's, as the kernel's own rule has it; a dangling one
// too, so that no one can make the user create a file where the link points.
TEST(EnvTest, PlaceRefusesALinkAnotherUserPlantedInASharedFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "links of another user need root";
  constexpr uid_t kNobody = 65534;
  TempDir dir;
  Env* env = Env::Default();
  ASSERT_EQ(::mkdir(dir.File("shared").c_str(), 01777), 0);
  ASSERT_EQ(::chmod(dir.File("shared").c_str(), 01777), 0);
  ASSERT_EQ(::mkdir(dir.File("private").c_str(), 0700), 0);
  WriteFile(dir.File("private/secret"), "secret\n");
  struct Case {
    const char* link;
    std::string target;
    uid_t owner;
    bool refused;
  };
  const Case cases[] = {
      {"planted", dir.File("private/secret"), kNobody, true},
      {"dangling", dir.File("private/new"), kNobody, true},
      {"own", dir.File("private/secret"), 0, false},
  };
  for (const Case& c : cases) {
    const std::string link = dir.File("shared/") + c.link;
    ASSERT_EQ(::symlink(c.target.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), c.owner, c.owner), 0);
    EXPECT_EQ(env->Place(link).refusal == Placement::Refusal::kSharedLink, c.refused) << c.link;
  }
  // The folder's owner may plant links in it: the kernel follows those too.
  ASSERT_EQ(::chown(dir.File("shared").c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(env->Place(dir.File("shared/planted")).refusal, Placement::Refusal::kNone);
  // Nor is a folder that is not sticky one that others share that way.
  ASSERT_EQ(::chown(dir.File("shared").c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(dir.File("shared").c_str(), 0777), 0);
  EXPECT_EQ(env->Place(dir.File("shared/planted")).refusal, Placement::Refusal::kNone);
}

TEST(EnvTest, RealPathResolvesLinksAndDotsOnce) {
  TempDir dir;
  Env* env = Env::Default();
  char real[4096];
  ASSERT_NE(::realpath(dir.path().c_str(), real), nullptr);
  const std::string base = real;
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
  WriteFile(dir.File("sub/list.txt"), "x\n");
  ASSERT_EQ(::symlink("sub", dir.File("lnk").c_str()), 0);
  ASSERT_EQ(::symlink("sub/list.txt", dir.File("tolist").c_str()), 0);
  ASSERT_EQ(::symlink("sub/new.txt", dir.File("tonew").c_str()), 0);
  ASSERT_EQ(::symlink("tonothing", dir.File("chain").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere/x", dir.File("tonothing").c_str()), 0);
  EXPECT_EQ(env->RealPath(dir.File("tolist")), base + "/sub/list.txt");
  EXPECT_EQ(env->RealPath(dir.File("lnk/../sub/out.txt")), base + "/sub/out.txt");
  EXPECT_EQ(env->RealPath(dir.File("lnk/out.txt")), base + "/sub/out.txt");
  EXPECT_EQ(env->RealPath(dir.File("tonew")), base + "/sub/new.txt");  // made where it points
  EXPECT_EQ(env->RealPath(dir.File("chain")), "");
  EXPECT_EQ(env->RealPath(dir.File("missing/out.txt")), "");
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

// A source that is no file of the system's: the copy must go through the buffer.
class BytesFile final : public ReadableFile {
 public:
  explicit BytesFile(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    *got = std::min(n, bytes_.size() - at_);
    bytes_.copy(dst, *got, at_);
    at_ += *got;
    return true;
  }
  bool ReadAt(std::uint64_t, char*, std::size_t, std::size_t* got) override {
    *got = 0;
    return false;
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

// Copies in steps of `step` bytes after a first read of `head` bytes, through a
// buffer of 3 bytes, from a list in the folder `from` (or from memory when empty);
// returns what the new file holds and checks the counts and the last byte.
std::string CopyInSteps(const std::string& from, const std::string& list, std::size_t head,
                        std::uint64_t step, const TempDir& to) {
  Env* env = Env::Default();
  std::unique_ptr<ReadableFile> source;
  if (from.empty()) {
    source = std::make_unique<BytesFile>(list);
  } else {
    WriteFile(from + "/list.txt", list);
    source = env->OpenForReading(from + "/list.txt");
  }
  std::string name;
  std::unique_ptr<Folder> folder = OpenReal(to.path());
  std::unique_ptr<WritableFile> out = env->CreateTempFile(*folder, &name);
  EXPECT_TRUE(source && out);
  if (!source || !out) return "";
  std::string first(head, '\0');
  std::size_t got = 0;
  EXPECT_TRUE(source->Read(first.data(), head, &got));
  EXPECT_TRUE(out->Write(first.data(), got));
  if (!from.empty() && !list.empty()) {
    // A read at an offset leaves the copy to go on from where the reads had got to.
    char end[2];
    std::size_t n = 0;
    EXPECT_TRUE(source->ReadAt(list.size() - 1, end, 2, &n));
    EXPECT_EQ(std::string(end, n), list.substr(list.size() - 1));
  }
  char buffer[3];
  char last = '?';
  std::uint64_t total = got;
  for (;;) {
    std::uint64_t copied = 0;
    EXPECT_TRUE(out->CopyFrom(*source, step, buffer, sizeof buffer, &copied, &last));
    EXPECT_LE(copied, step);
    total += copied;
    if (copied < step) break;
  }
  EXPECT_EQ(total, list.size());
  EXPECT_EQ(last, list.size() > head ? list.back() : '?');
  EXPECT_TRUE(out->Sync() && out->Close());
  return testing::ReadFile(name);
}

// In the kernel between two files of one file system, across file systems (where the
// kernel may refuse and the buffer carries the bytes), and from a file of no system.
TEST(EnvTest, CopyFromAppendsTheRestOfTheSourceInSteps) {
  TempDir dir;
  TempDir out;
  const bool shm = ::access("/dev/shm", W_OK) == 0;
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += "user" + std::to_string(i) + "@x.org\n";
  big += "no line end";
  struct Case {
    std::string list;
    std::size_t head;
    std::uint64_t step;
  };
  const Case cases[] = {{"", 0, 5},         {"abc\n", 4, 5},      {"abc\ndef", 0, 7},
                        {"abc\ndef", 2, 1}, {"abc\ndef", 3, 100}, {big, 1000, 65536},
                        {big, 0, 1u << 30}};
  for (const Case& c : cases) {
    const std::string where = std::to_string(c.list.size()) + " bytes, head " +
                              std::to_string(c.head) + ", step " + std::to_string(c.step);
    EXPECT_EQ(CopyInSteps(dir.path(), c.list, c.head, c.step, out), c.list) << where;
    EXPECT_EQ(CopyInSteps("", c.list, c.head, c.step, out), c.list) << where << ", from memory";
    if (shm) {
      TempDir inMemory("/dev/shm");
      EXPECT_EQ(CopyInSteps(inMemory.path(), c.list, c.head, c.step, out), c.list)
          << where << ", from /dev/shm";
    }
  }
}

}  // namespace
}  // namespace vantor
