#include "platform/ProgramPath.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace quillot {

std::string RunningProgramPath() {
  char buf[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  std::string path = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
  if (char* real = path.empty() ? nullptr : realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  return path;
}

}  // namespace quillot
