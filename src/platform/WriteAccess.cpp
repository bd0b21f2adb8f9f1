#include "platform/WriteAccess.h"

#include <fcntl.h>
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

}  // namespace quillot
