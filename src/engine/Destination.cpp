#include "engine/Destination.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillot {

bool TDiskDestination::Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

int TDiskDestination::Create(const std::string& path) {
  // Never follow a link planted under a recovered file's name.
  int fd;
  do {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t TDiskDestination::Write(int handle, const void* data, size_t size) {
  ssize_t n;
  do {
    n = write(handle, data, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

bool TDiskDestination::AppendZeros(int handle, size_t size) {
  return lseek(handle, static_cast<off_t>(size), SEEK_CUR) >= 0;
}

bool TDiskDestination::Close(int handle) {
  // A file that ends in a hole gets its length from its position.
  bool ok = true;
  off_t end = lseek(handle, 0, SEEK_CUR);
  struct stat st {};
  if (end >= 0 && fstat(handle, &st) == 0 && st.st_size < end) {
    int rc;
    do {
      rc = ftruncate(handle, end);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
      static const char zero = 0;
      ok = pwrite(handle, &zero, 1, end - 1) == 1;
    }
  }
  close(handle);
  return ok;
}

void TDiskDestination::CreateFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
}

}  // namespace quillot
