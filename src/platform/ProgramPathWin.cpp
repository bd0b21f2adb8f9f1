#include "platform/ProgramPath.h"
#include "platform/WideText.h"

#include <windows.h>

namespace quillot {

std::string RunningProgramPath() {
  // The buffer grows until the whole path fits: long paths exceed MAX_PATH.
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace quillot
