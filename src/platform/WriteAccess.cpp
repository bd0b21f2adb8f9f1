#include "platform/WriteAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillot {

bool MayWrite(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool MayWriteInto(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

std::string WhyCannotWriteInto(const std::string& folder) {
  if (access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
  // Root passes every permission check, and some file systems refuse what their bits allow (/proc): a
  // file made and removed again tells.
  std::string probe = folder;
  if (!probe.empty() && probe.back() != '/') probe += '/';
  probe += ".quillot-write-" + std::to_string(getpid());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return std::strerror(errno);
  close(fd);
  unlink(probe.c_str());
  return {};
}

}  // namespace quillot
