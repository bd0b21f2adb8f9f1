#include <windows.h>

#include <filesystem>

#include "cli/Report.h"
#include "drive/SameDevice.h"
#include "platform/SourceGuard.h"
#include "platform/Utf8Path.h"
#include "platform/WideText.h"

namespace quillot::cli {

namespace {
// The first bytes of an open file, "" for an empty one; nullopt when they cannot be read.
std::optional<std::string> Head(HANDLE file) {
  char head[128] = {};
  DWORD n = 0;
  if (!ReadFile(file, head, sizeof head - 1, &n, nullptr)) return std::nullopt;
  return std::string(head, n);
}

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text ? Utf8FromWide(text) : "error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message;
}
}  // namespace

std::optional<std::string> PrepareOutputFile(const std::string& path, char sourceLetter, const char* what,
                                             bool (*holdsOne)(std::string_view head), TReportFile& report) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p = fs::absolute(PathOfUtf8(path), ec).lexically_normal();
  const fs::path folder = p.parent_path();
  const std::string name = Utf8OfPath(p), folderName = Utf8OfPath(folder);
  if (fs::is_directory(p, ec)) return name + " is a folder";
  if (!fs::is_directory(folder, ec)) return "no folder " + folderName + " for the " + what;
  if (IsGuardedPath(name)) return name + " is the source being read";
  if (DestinationOnDrive(sourceLetter, folderName))
    return std::string("the ") + what + " " + name + " would lie on the source drive " + std::string(1, sourceLetter) +
           ":";
  // Created now, so the pass's name search skips it and no recovered file can take its place. A link
  // planted under its name is opened as itself, never followed.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  const bool created = file != INVALID_HANDLE_VALUE;
  if (!created && GetLastError() == ERROR_FILE_EXISTS)
    file = CreateFileW(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string("cannot create the ") + what + " " + name + ": " + SystemMessage(GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  std::optional<std::string> error;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    error = name + " is not a regular file";
  else if (IsGuardedHandle(file))
    error = name + " is the source being read";
  else if (const auto head = created ? std::optional<std::string>("") : Head(file); !head || !holdsOne(*head))
    error = name + " exists and is not a " + what + ": name a new file";
  CloseHandle(file);
  if (error) return error;
  report = TReportFile{name, p.extension() == ".json", info.dwVolumeSerialNumber,
                       (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, created};
  return std::nullopt;
}

}  // namespace quillot::cli
