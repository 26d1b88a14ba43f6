// A fresh directory per test, and small helpers to write and read whole files in it.
// They serve the fuzz targets too, so nothing here needs GoogleTest.
#ifndef VANTOR_TESTS_SUPPORT_TEST_FILES_H_
#define VANTOR_TESTS_SUPPORT_TEST_FILES_H_

#include <string>
#include <vector>

namespace vantor::testing {

class TempDir {
 public:
  // Under the system's temporary directory ($TMPDIR, else /tmp), or under `parent`.
  TempDir();
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
// The whole file, read in large blocks: fast in an unoptimised build too. Throws when
// the file cannot be opened.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_TEST_FILES_H_
