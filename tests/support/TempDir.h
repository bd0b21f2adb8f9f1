// A fresh folder under the system's temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace quillot::test {

class TTempDir {
 public:
  TTempDir() {
    // create_directory answers false for a name that exists, so two tests never share a folder.
    std::random_device random;
    std::error_code ec;
    const auto tmp = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      auto candidate = tmp / ("quillot-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, ec)) {
        std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, ec);
        path_ = candidate;
      }
    }
  }
  ~TTempDir() {
    std::error_code ec;
    if (path_.empty()) return;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace quillot::test
