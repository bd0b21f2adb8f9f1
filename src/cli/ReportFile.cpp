#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/Report.h"
#include "drive/SameDevice.h"
#include "platform/SourceGuard.h"

namespace quillot::cli {

namespace {
// The first bytes of an open file, "" for an empty one; nullopt when they cannot be read.
std::optional<std::string> Head(int fd) {
  char head[128] = {};
  const ssize_t n = ::pread(fd, head, sizeof head - 1, 0);
  if (n < 0) return std::nullopt;
  return std::string(head, static_cast<size_t>(n));
}
}  // namespace

std::optional<std::string> PrepareOutputFile(const std::string& path, char sourceLetter, const char* what,
                                             bool (*holdsOne)(std::string_view head), TReportFile& report) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec).lexically_normal();
  const fs::path folder = p.parent_path();
  if (fs::is_directory(p, ec)) return p.string() + " is a folder";
  if (!fs::is_directory(folder, ec)) return "no folder " + folder.string() + " for the " + what;
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return "cannot write into " + folder.string();
  if (IsGuardedPath(p.string())) return p.string() + " is the source being read";
  if (DestinationOnDrive(sourceLetter, folder.string()))
    return std::string("the ") + what + " " + p.string() + " would lie on the source drive " +
           std::string(1, sourceLetter) + ":";
  // Created now, so the pass's name search skips it and no recovered file can take its place.
  int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  const bool created = fd >= 0;
  if (!created && errno == EEXIST) fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::string("cannot create the ") + what + " " + p.string() + ": " + std::strerror(errno);
  struct stat st {};
  std::optional<std::string> error;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    error = p.string() + " is not a regular file";
  else if (IsGuardedSource(st))
    error = p.string() + " is the source being read";
  else if (const auto head = created ? std::optional<std::string>("") : Head(fd); !head || !holdsOne(*head))
    error = p.string() + " exists and is not a " + what + ": name a new file";
  ::close(fd);
  if (error) return error;
  report = TReportFile{p.string(), p.extension() == ".json", st.st_dev, st.st_ino, created};
  return std::nullopt;
}

}  // namespace quillot::cli
