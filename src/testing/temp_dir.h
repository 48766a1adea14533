// TempDir: a fresh folder under the system's temporary directory, removed with everything in it
// when the object goes away. Test-only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qoravel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file below the folder (parents created) and returns its path.
  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) const;
  // The whole content of a file, or empty when it cannot be read.
  static std::string ReadFile(const std::filesystem::path& file);
  // The names of the entries directly in a folder, sorted.
  static std::vector<std::string> FileNames(const std::filesystem::path& folder);

 private:
  std::filesystem::path path_;
};

}  // namespace qoravel::testing
