// One scratch folder per fuzzing process, for the readers that only take a path, removed at exit. It
// lies in memory where the machine has /dev/shm, so the files' fsync costs nothing and the fuzzer keeps
// its pace.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace quillot::fuzz {

class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/quillot-fuzz-XXXXXX" : "/tmp/quillot-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
  }
  ~TScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline const std::string& ScratchFolder() {
  static const TScratchFolder folder;
  return folder.Path();
}

}  // namespace quillot::fuzz
