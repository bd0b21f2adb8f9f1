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
  std::string head(kHeadBytes, '\0');
  const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
  if (n < 0) return std::nullopt;
  head.resize(static_cast<size_t>(n));
  return head;
}

// What a file that is not a regular one is, for "... is a named pipe (FIFO), not a regular file".
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISLNK(mode)) return "a symbolic link";
  return "no regular file";
}

std::string NotRegular(const std::string& name, const char* what, mode_t mode) {
  return name + " is " + KindOf(mode) + ", not a regular file: name a new file for the " + what;
}
}  // namespace

std::optional<std::string> PrepareOutputFile(const std::string& path, char sourceLetter, const char* what,
                                             bool (*holdsOne)(std::string_view head), TReportFile& report,
                                             const TReportFile* apart) {
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
  // Only a regular file is opened: a named pipe would block the open (and the run) until a reader
  // came, a device may act on being opened. The opens below check it again on what they opened.
  struct stat named {};
  if (::lstat(p.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return NotRegular(p.string(), what, named.st_mode);
  // Created now, so the pass's name search skips it and no recovered file can take its place. Neither
  // open waits or follows a link.
  const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0644);
  const bool created = fd >= 0;
  if (!created && errno == EEXIST) fd = ::open(p.c_str(), O_RDONLY | flags);
  if (fd < 0 && errno == ELOOP)
    return p.string() + " is a symbolic link, not a regular file: name a new file for the " + what;
  if (fd < 0) return std::string("cannot create the ") + what + " " + p.string() + ": " + std::strerror(errno);
  struct stat st {};
  std::optional<std::string> error;
  if (::fstat(fd, &st) != 0)
    error = std::string("cannot read the ") + what + " " + p.string() + ": " + std::strerror(errno);
  else if (!S_ISREG(st.st_mode))
    error = NotRegular(p.string(), what, st.st_mode);
  else if (IsGuardedSource(st))
    error = p.string() + " is the source being read";
  else if (apart && apart->Device == st.st_dev && apart->Inode == st.st_ino)
    error = std::string("the ") + what + " " + p.string() + " is the same file as the report " + apart->Path +
            ": --report and --map need two files";
  else if (const auto head = created ? std::optional<std::string>("") : Head(fd);
           !head || (!created && !holdsOne(*head)))
    error = p.string() + " exists and is not a " + what + ": name a new file";
  ::close(fd);
  if (error) {
    // A file this check made goes again: a refused run leaves nothing behind.
    if (created) ::unlink(p.c_str());
    return error;
  }
  report = TReportFile{p.string(), IsJsonReportPath(p.string()), st.st_dev, st.st_ino, created, st.st_nlink};
  return std::nullopt;
}

bool RemoveCreatedFile(const TReportFile& file) {
  struct stat st {};
  if (!file.Created || ::lstat(file.Path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0 ||
      st.st_dev != file.Device || st.st_ino != file.Inode)
    return false;
  return ::unlink(file.Path.c_str()) == 0;
}

}  // namespace quillot::cli
