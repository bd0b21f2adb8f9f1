#include "engine/Destination.h"
#include "platform/SourceGuard.h"
#include "platform/WideText.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace quillot {

// Handles are the C runtime's descriptors over files opened by their UTF-16 names, always in binary
// mode: text mode would turn the recovered bytes' line breaks into others.

bool TDiskDestination::Exists(const std::string& path) {
  return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TCreateResult TDiskDestination::Create(const std::string& path, TCreateMode mode, int& handle) {
  const std::wstring wide = WideFromUtf8(path);
  // A link planted under a recovered file's name is never followed into its target.
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return mode == TCreateMode::New ? TCreateResult::Taken : TCreateResult::Failed;
  const int flags = _O_RDWR | _O_BINARY | _O_NOINHERIT | (mode == TCreateMode::New ? _O_CREAT | _O_EXCL : 0);
  int fd = -1;
  const errno_t why = _wsopen_s(&fd, wide.c_str(), flags, _SH_DENYWR, _S_IREAD | _S_IWRITE);
  if (why != 0 || fd < 0)
    return mode == TCreateMode::New && why == EEXIST ? TCreateResult::Taken : TCreateResult::Failed;
  if (mode == TCreateMode::Replace) {
    // The file reached by that name may be a source (a hard link), the run's report, or no plain file.
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    const std::pair<uint64_t, uint64_t> id{info.dwVolumeSerialNumber,
                                           (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    const bool kept = std::find(protected_.begin(), protected_.end(), id) != protected_.end();
    if (!known || kept || GetFileType(file) != FILE_TYPE_DISK || IsGuardedHandle(file) || _chsize_s(fd, 0) != 0) {
      _close(fd);
      return TCreateResult::Failed;
    }
  }
  handle = fd;
  return TCreateResult::Created;
}

ssize_t TDiskDestination::Write(int handle, const void* data, size_t size) {
  // _write takes at most 4 GiB less one byte at a time; the pass writes far less.
  const unsigned ask = size > 0x7fffffffu ? 0x7fffffffu : static_cast<unsigned>(size);
  return _write(handle, data, ask);
}

bool TDiskDestination::AppendZeros(int handle, size_t size) {
  return _lseeki64(handle, static_cast<__int64>(size), SEEK_CUR) >= 0;
}

bool TDiskDestination::CutBack(int handle, uint64_t length) {
  return _chsize_s(handle, static_cast<__int64>(length)) == 0 &&
         _lseeki64(handle, static_cast<__int64>(length), SEEK_SET) >= 0;
}

bool TDiskDestination::Close(int handle) {
  // A file that ends in a skipped run gets its length from its position; the run reads back as zeros.
  bool ok = true;
  const __int64 end = _lseeki64(handle, 0, SEEK_CUR);
  const __int64 size = _filelengthi64(handle);
  if (end >= 0 && size >= 0 && size < end) ok = _chsize_s(handle, end) == 0;
  _close(handle);
  return ok;
}

void TDiskDestination::CreateFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(WideFromUtf8(path)), ec);
}

}  // namespace quillot
