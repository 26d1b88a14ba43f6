#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace vantor::testing {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}

// A new name tried until one is free: creating a directory fails on an existing one,
// so no other process or thread gets the same. (mkdtemp is not on every system.)
TempDir::TempDir(const std::string& given) {
  // One separator, '/', as the Env's own paths have on every system.
  std::string parent = std::filesystem::path(given).generic_string();
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  static std::atomic<std::uint32_t> counter{0};
  std::mt19937_64 random(std::random_device{}() ^
                         (static_cast<std::uint64_t>(counter.fetch_add(1)) << 32));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char unique[16];
    std::snprintf(unique, sizeof unique, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
    const std::string path = parent + "/vantor-test-" + unique;
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) {
      std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
      path_ = path;
      return;
    }
    if (error) throw std::runtime_error("cannot make a directory in " + parent);
  }
  throw std::runtime_error("no free directory name in " + parent);
}

TempDir::~TempDir() {
  namespace fs = std::filesystem;
  std::error_code ignored;
  if (fs::remove_all(path_, ignored) != static_cast<std::uintmax_t>(-1)) return;
  // Windows deletes no read-only file: the owner gets write access back first.
  for (fs::recursive_directory_iterator it(path_, ignored), end; !ignored && it != end;
       it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace vantor::testing
