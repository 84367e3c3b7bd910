#pragma once
// Small helpers shared by the portable tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace tavrel::test {

inline std::string bytes(std::initializer_list<int> list) {
  return std::string(list.begin(), list.end());
}

// A fresh folder under the system temporary folder, removed when the test ends.
class TempDir {
 public:
  TempDir() { std::filesystem::create_directories(path_); }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("tavrel-test-" + std::to_string(std::random_device()()) +
                                 std::to_string(std::random_device()()));
};

inline void write_bytes(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The message of the exception `action` throws, or "" when it throws none.
inline std::string error_text(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

}  // namespace tavrel::test
