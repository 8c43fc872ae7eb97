// A private temporary directory for one test, removed with everything in it.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "unity-test-XXXXXX").string();
    if (mkdtemp(&pattern[0]) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

  // Writes `content` to a file in the directory with the given permission bits.
  std::string write(const std::string& name, const std::string& content, mode_t mode = 0600) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    chmod(file.c_str(), mode);
    return file;
  }

 private:
  std::string path_;
};
