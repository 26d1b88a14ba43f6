// A fresh directory per test, and small helpers to write and read whole files in it.
#ifndef VANTOR_TESTS_SUPPORT_TEST_FILES_H_
#define VANTOR_TESTS_SUPPORT_TEST_FILES_H_

#include <string>
#include <vector>

namespace vantor::testing {

class TempDir {
 public:
  TempDir();
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
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_TEST_FILES_H_
