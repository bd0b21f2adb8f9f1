// One scratch folder per fuzzing process, for the readers that only take a path. It lies in memory where
// the machine has /dev/shm, so the files' fsync costs nothing and the fuzzer keeps its pace.
#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace quillot::fuzz {

inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/quillot-fuzz-XXXXXX" : "/tmp/quillot-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern.data());
    if (!made) std::abort();
    return std::string(made);
  }();
  return folder;
}

}  // namespace quillot::fuzz
