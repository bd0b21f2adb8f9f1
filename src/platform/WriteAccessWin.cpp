#include "platform/WideText.h"
#include "platform/WriteAccess.h"

#include <windows.h>

#include <system_error>

namespace quillot {

namespace {
// Whether a file may be created in folder: tried with a file that is gone again when its handle closes.
bool MayCreateIn(const std::wstring& folder) {
  std::wstring probe = folder;
  if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
  probe += L".quillot-write-" + std::to_wstring(GetCurrentProcessId());
  HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}
}  // namespace

bool MayWrite(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return MayCreateIn(wide);
  if (attributes & FILE_ATTRIBUTE_READONLY) return false;
  HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

bool MayWriteInto(const std::string& folder) { return MayCreateIn(WideFromUtf8(folder)); }

std::string WhyCannotWriteInto(const std::string& folder) {
  if (MayCreateIn(WideFromUtf8(folder))) return {};
  return std::system_category().message(static_cast<int>(GetLastError()));
}

}  // namespace quillot
