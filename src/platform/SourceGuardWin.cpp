#include <windows.h>

#include <mutex>
#include <set>
#include <tuple>

#include "platform/SourceGuard.h"
#include "platform/WideText.h"

namespace quillot {

namespace {
using TFileId = std::tuple<DWORD, DWORD, DWORD>;  // volume serial, file index high, low

struct TGuarded {
  std::mutex mutex;
  std::set<TFileId> files;
};

TGuarded& Guarded() {
  static TGuarded guarded;
  return guarded;
}

bool IdOf(HANDLE handle, TFileId& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
  id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}
}  // namespace

void GuardSourceHandle(void* handle) {
  TFileId id;
  if (!IdOf(static_cast<HANDLE>(handle), id)) return;
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  g.files.insert(id);
}

bool IsGuardedHandle(void* handle) {
  TFileId id;
  if (!IdOf(static_cast<HANDLE>(handle), id)) return false;
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  return g.files.count(id) > 0;
}

bool IsGuardedPath(const std::string& path) {
  // No access asked: the identity alone, whatever is sharing the file. Folders open too.
  HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool guarded = IsGuardedHandle(handle);
  CloseHandle(handle);
  return guarded;
}

void ForgetGuardedSourcesForTesting() {
  auto& g = Guarded();
  std::lock_guard lock(g.mutex);
  g.files.clear();
}

}  // namespace quillot
