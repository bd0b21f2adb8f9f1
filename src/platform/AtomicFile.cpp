#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SourceGuard.h"

namespace quillot {

namespace {
bool Fail(std::string* error, const char* what) {
  if (error) *error = std::string(what) + ": " + std::strerror(errno);
  return false;
}
}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error) {
  // The file replaced must be a file of ours to replace: never a source being read, never a device.
  if (IsGuardedPath(path)) {
    if (error) *error = "it is a source being read";
    return false;
  }
  struct stat old {};
  if (lstat(path.c_str(), &old) == 0 && (S_ISBLK(old.st_mode) || S_ISCHR(old.st_mode))) {
    if (error) *error = "it is a device";
    return false;
  }
  std::string tmp = path + ".tmp-XXXXXX";
  int fd = mkstemp(tmp.data());
  if (fd < 0) return Fail(error, "cannot create temporary file");
  // Keep the permissions of the file being replaced; a new file gets the usual 0644 under the umask.
  struct stat st {};
  mode_t mode = 0644;
  if (stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  fchmod(fd, mode);
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int saved = errno ? errno : ENOSPC;
      close(fd);
      unlink(tmp.c_str());
      errno = saved;
      return Fail(error, "cannot write");
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) {
    int saved = errno;
    close(fd);
    unlink(tmp.c_str());
    errno = saved;
    return Fail(error, "cannot flush");
  }
  if (close(fd) != 0) {
    int saved = errno;
    unlink(tmp.c_str());
    errno = saved;
    return Fail(error, "cannot close");
  }
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    int saved = errno;
    unlink(tmp.c_str());
    errno = saved;
    return Fail(error, "cannot replace");
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  contents.clear();
  char buf[65536];
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    contents.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

}  // namespace quillot
