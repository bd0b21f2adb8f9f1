#include "engine/Destination.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SourceGuard.h"

namespace quillot {

bool TDiskDestination::Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

TCreateResult TDiskDestination::Create(const std::string& path, TCreateMode mode, int& handle) {
  // Never follow a link planted under a recovered file's name, and never empty before looking.
  const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (mode == TCreateMode::New ? O_CREAT | O_EXCL : 0);
  int fd;
  do {
    fd = open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return mode == TCreateMode::New && errno == EEXIST ? TCreateResult::Taken : TCreateResult::Failed;
  if (mode == TCreateMode::Replace) {
    // The file reached by that name may be a source (a hard link, a bind mount) or no file at all.
    struct stat st {};
    const bool known = fstat(fd, &st) == 0;
    const bool kept = std::find(protected_.begin(), protected_.end(),
                                std::pair<uint64_t, uint64_t>{st.st_dev, st.st_ino}) != protected_.end();
    if (!known || !S_ISREG(st.st_mode) || IsGuardedSource(st) || kept || ftruncate(fd, 0) != 0) {
      close(fd);
      return TCreateResult::Failed;
    }
  }
  handle = fd;
  return TCreateResult::Created;
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

bool TDiskDestination::CutBack(int handle, uint64_t length) {
  int rc;
  do {
    rc = ftruncate(handle, static_cast<off_t>(length));
  } while (rc < 0 && errno == EINTR);
  return rc == 0 && lseek(handle, static_cast<off_t>(length), SEEK_SET) >= 0;
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
