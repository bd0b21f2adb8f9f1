#include "platform/AtomicFile.h"
#include "platform/SourceGuard.h"
#include "platform/WideText.h"

#include <windows.h>

#include <atomic>

namespace quillot {

namespace {
bool Fail(std::string* error, const char* what, DWORD code) {
  if (error) *error = std::string(what) + ": " + WindowsErrorText(code);
  return false;
}

std::wstring TemporaryNameBeside(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}
}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error) {
  // The file replaced must be a file of ours to replace: never a source being read.
  if (IsGuardedPath(path)) {
    if (error) *error = "it is a source being read";
    return false;
  }
  const std::wstring wide = WideFromUtf8(path);
  const std::wstring tmp = TemporaryNameBeside(wide);
  HANDLE handle = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail(error, "cannot create temporary file", GetLastError());
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    DWORD wrote = 0;
    const DWORD ask = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
    if (!WriteFile(handle, p, ask, &wrote, nullptr) || wrote == 0) {
      const DWORD why = GetLastError();
      CloseHandle(handle);
      DeleteFileW(tmp.c_str());
      return Fail(error, "cannot write", why);
    }
    p += wrote;
    left -= wrote;
  }
  if (!FlushFileBuffers(handle)) {
    const DWORD why = GetLastError();
    CloseHandle(handle);
    DeleteFileW(tmp.c_str());
    return Fail(error, "cannot flush", why);
  }
  CloseHandle(handle);
  if (!MoveFileExW(tmp.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD why = GetLastError();
    DeleteFileW(tmp.c_str());
    return Fail(error, "cannot replace", why);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  contents.clear();
  char buf[65536];
  bool ok = true;
  while (true) {
    DWORD got = 0;
    if (!ReadFile(handle, buf, sizeof buf, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    contents.append(buf, got);
  }
  CloseHandle(handle);
  return ok;
}

}  // namespace quillot
