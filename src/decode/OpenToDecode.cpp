#include "decode/OpenToDecode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quillot::decode {

namespace {
std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a file";
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return "";
  std::string out = real;
  std::free(real);
  return out;
}

// Where path lies, every link on the way resolved but its last component (which O_NOFOLLOW keeps from
// being one): the folder named, resolved, and the name.
std::string WhereNamed(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string real = RealPath(dir);
  if (real.empty()) return "";
  return (real == "/" ? real : real + "/") + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// Where the descriptor really points: the system's own word for it, or, with no /proc, where path lies.
std::string WhereOpened(int fd, const std::string& path) {
  char link[PATH_MAX + 1];
  const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, PATH_MAX);
  if (n > 0 && link[0] == '/') return std::string(link, static_cast<size_t>(n));
  return WhereNamed(path);
}

bool Inside(const std::string& where, const std::string& folder) {
  const std::string prefix = folder == "/" ? folder : folder + "/";
  return !folder.empty() && where.size() > prefix.size() && where.compare(0, prefix.size(), prefix) == 0;
}
}  // namespace

int OpenToDecode(const std::string& path, const std::string& folder, TFileRefusal& refusal, std::string& error) {
  refusal = TFileRefusal::None;
  error.clear();
  const auto refuse = [&](TFileRefusal why, std::string words, int fd = -1) {
    if (fd >= 0) close(fd);
    refusal = why;
    error = std::move(words);
    return -1;
  };
  const auto failed = [&](int code) {
    if (code == ENOENT || code == ENOTDIR) return refuse(TFileRefusal::Missing, std::strerror(code));
    if (code == ELOOP) return refuse(TFileRefusal::Link, "");
    return refuse(TFileRefusal::Unreadable, std::strerror(code));
  };
  // A device or a pipe is not even opened: opening some devices does things. Nor is a file outside the
  // folder.
  struct stat st {};
  if (path.empty()) return failed(ENOENT);
  if (lstat(path.c_str(), &st) != 0) return failed(errno);
  if (S_ISLNK(st.st_mode)) return refuse(TFileRefusal::Link, "");
  if (!S_ISREG(st.st_mode)) return refuse(TFileRefusal::NotRegular, KindOf(st.st_mode));
  const std::string inside = folder.empty() ? "" : RealPath(folder);
  if (!folder.empty() && !Inside(WhereNamed(path), inside))
    return refuse(TFileRefusal::Outside, inside.empty() ? folder : inside);
  // Whatever stands there now is checked through the descriptor before a byte is read.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failed(errno);
  if (fstat(fd, &st) != 0) return refuse(TFileRefusal::Unreadable, std::strerror(errno), fd);
  if (!S_ISREG(st.st_mode)) return refuse(TFileRefusal::NotRegular, KindOf(st.st_mode), fd);
  if (!folder.empty() && !Inside(WhereOpened(fd, path), inside)) return refuse(TFileRefusal::Outside, inside, fd);
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

std::string RefusalText(TFileRefusal refusal, const std::string& error) {
  switch (refusal) {
    case TFileRefusal::None: return "";
    case TFileRefusal::Link: return "a symbolic link, not opened";
    case TFileRefusal::NotRegular: return "not a regular file (" + error + "), not opened";
    case TFileRefusal::Outside: return "outside the folder " + error + ", not opened";
    case TFileRefusal::Missing:
    case TFileRefusal::Unreadable: break;
  }
  return error;
}

}  // namespace quillot::decode
