#include "platform/ImagePath.h"
#include "platform/WideText.h"

#include <windows.h>

namespace quillot {

TImagePath ExamineImagePath(const std::string& path) {
  TImagePath image;
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    image.Error = WindowsErrorText(GetLastError());
    return image;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    image.Kind = TImagePathKind::Folder;
    return image;
  }
  HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    image.Error = WindowsErrorText(GetLastError());
    return image;
  }
  const bool disk = GetFileType(handle) == FILE_TYPE_DISK;
  // The final path names the same file whichever link or relative path reached it.
  std::wstring canonical(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(handle, canonical.data(), static_cast<DWORD>(canonical.size()), 0);
  if (n >= canonical.size()) {
    canonical.resize(n + 1);
    n = GetFinalPathNameByHandleW(handle, canonical.data(), static_cast<DWORD>(canonical.size()), 0);
  }
  CloseHandle(handle);
  if (!disk) {
    image.Kind = TImagePathKind::Other;
    return image;
  }
  image.Kind = TImagePathKind::File;
  canonical.resize(n > 0 && n < canonical.size() ? n : 0);
  // "\\?\C:\..." for a drive path: the plain form is what a person reads and what the calls take.
  if (canonical.rfind(L"\\\\?\\", 0) == 0 && canonical.size() > 6 && canonical[5] == L':') canonical.erase(0, 4);
  image.Canonical = canonical.empty() ? path : Utf8FromWide(canonical);
  return image;
}

}  // namespace quillot
