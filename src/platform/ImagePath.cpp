#include "platform/ImagePath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quillot {

TImagePath ExamineImagePath(const std::string& path) {
  TImagePath image;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    image.Error = std::strerror(errno);
    return image;
  }
  if (S_ISDIR(st.st_mode)) {
    image.Kind = TImagePathKind::Folder;
    return image;
  }
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
    image.Kind = TImagePathKind::Other;
    return image;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    image.Error = std::strerror(errno);
    return image;
  }
  ::close(fd);
  image.Kind = S_ISREG(st.st_mode) ? TImagePathKind::File : TImagePathKind::Device;
  char resolved[PATH_MAX];
  image.Canonical = ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
  return image;
}

}  // namespace quillot
