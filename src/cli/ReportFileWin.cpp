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
  std::string head(kHeadBytes, '\0');
  DWORD n = 0;
  if (!ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &n, nullptr)) return std::nullopt;
  head.resize(n);
  return head;
}

uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION& info) {
  return (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
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
                                             bool (*holdsOne)(std::string_view head), TReportFile& report,
                                             const TReportFile* apart) {
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
  // planted under its name is opened as itself, never followed; a pipe or device under the name is
  // refused below, its open never waiting (a busy pipe fails at once).
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, share, nullptr, CREATE_NEW,
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
    error = name + " is not a regular file: name a new file for the " + what;
  else if (IsGuardedHandle(file))
    error = name + " is the source being read";
  else if (apart && apart->Device == info.dwVolumeSerialNumber && apart->Inode == FileIndex(info))
    error = std::string("the ") + what + " " + name + " is the same file as the report " + apart->Path +
            ": --report and --map need two files";
  else if (const auto head = created ? std::optional<std::string>("") : Head(file);
           !head || (!created && !holdsOne(*head)))
    error = name + " exists and is not a " + what + ": name a new file";
  if (error && created) {
    // A file this check made goes again: a refused run leaves nothing behind.
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
  }
  CloseHandle(file);
  if (error) return error;
  report = TReportFile{name,    IsJsonReportPath(name), info.dwVolumeSerialNumber, FileIndex(info),
                       created, info.nNumberOfLinks};
  return std::nullopt;
}

bool RemoveCreatedFile(const TReportFile& file) {
  if (!file.Created) return false;
  // Opened as itself, so only the file this run made, still empty, is marked to go when closed.
  HANDLE handle = CreateFileW(PathOfUtf8(file.Path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  bool removed = false;
  if (GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
      info.nFileSizeHigh == 0 && info.nFileSizeLow == 0 && info.dwVolumeSerialNumber == file.Device &&
      FileIndex(info) == file.Inode) {
    FILE_DISPOSITION_INFO gone{TRUE};
    removed = SetFileInformationByHandle(handle, FileDispositionInfo, &gone, sizeof gone) != 0;
  }
  CloseHandle(handle);
  return removed;
}

}  // namespace quillot::cli
