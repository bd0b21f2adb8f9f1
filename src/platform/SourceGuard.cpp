#include "platform/SourceGuard.h"

#include <mutex>
#include <set>
#include <utility>

namespace quillot {

namespace {
struct TGuarded {
  std::mutex mutex;
  std::set<std::pair<dev_t, ino_t>> files;
  std::set<dev_t> devices;
};

TGuarded& Guarded() {
  static TGuarded guarded;
  return guarded;
}
}  // namespace

void GuardSource(const struct stat& source) {
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  g.files.emplace(source.st_dev, source.st_ino);
  if (S_ISBLK(source.st_mode)) g.devices.insert(source.st_rdev);
}

bool IsGuardedSource(const struct stat& st) {
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  if (g.files.count({st.st_dev, st.st_ino})) return true;
  return S_ISBLK(st.st_mode) && g.devices.count(st.st_rdev) > 0;
}

bool IsGuardedPath(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && IsGuardedSource(st)) return true;
  return ::stat(path.c_str(), &st) == 0 && IsGuardedSource(st);
}

void ForgetGuardedSourcesForTesting() {
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  g.files.clear();
  g.devices.clear();
}

}  // namespace quillot
