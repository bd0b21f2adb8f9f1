#include "platform/BlockSource.h"
#include "platform/SourceGuard.h"
#include "platform/WideText.h"

// After our headers: windows.h defines the same drive-type names as macros.
#include <windows.h>
#include <winioctl.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>

namespace quillot {

namespace {
class TWinBlockDevice final : public TBlockDevice {
 public:
  TWinBlockDevice(HANDLE handle, bool volume, uint32_t sectorSizeOverride)
      : handle_(handle), volume_(volume), sectorSizeOverride_(sectorSizeOverride) {
    // The volume probe asks the open volume itself for its label and serial, through a descriptor of
    // its own on a second handle, so the medium named is the one being read.
    HANDLE probe = nullptr;
    if (volume_ &&
        DuplicateHandle(GetCurrentProcess(), handle_, GetCurrentProcess(), &probe, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      descriptor_ = _open_osfhandle(reinterpret_cast<intptr_t>(probe), _O_RDONLY);
      if (descriptor_ < 0) CloseHandle(probe);
    }
  }
  ~TWinBlockDevice() override {
    if (descriptor_ >= 0) _close(descriptor_);
    CloseHandle(handle_);
  }
  TWinBlockDevice(const TWinBlockDevice&) = delete;
  TWinBlockDevice& operator=(const TWinBlockDevice&) = delete;

  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN)) return -1;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    // As pread: a short read is not the end by itself; keep asking until the source gives 0 or fails.
    while (done < length) {
      const DWORD ask = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, ask, &got, nullptr)) return done > 0 ? static_cast<int64_t>(done) : -1;
      if (got == 0) break;
      done += got;
    }
    return static_cast<int64_t>(done);
  }

  int Descriptor() const override { return descriptor_; }

  bool SectorSize(uint32_t& bytes) override {
    if (sectorSizeOverride_ != 0) {
      bytes = sectorSizeOverride_;
      return true;
    }
    if (!volume_) {
      bytes = 512;
      return true;
    }
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    if (DeviceIoControl(handle_, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                        nullptr) &&
        geometry.BytesPerSector != 0) {
      bytes = geometry.BytesPerSector;
      return true;
    }
    // Wine answers no geometry for a drive backed by an image: a volume whose length is known has the
    // usual 512-byte sectors (optical drives come with their 2048 as the override), and the readers
    // divide the length by them.
    uint64_t length = 0;
    if (!Length(length)) return false;
    bytes = 512;
    return true;
  }

  bool Length(uint64_t& bytes) override {
    if (volume_) {
      GET_LENGTH_INFORMATION info{};
      DWORD returned = 0;
      if (DeviceIoControl(handle_, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof info, &returned, nullptr) &&
          info.Length.QuadPart >= 0) {
        bytes = static_cast<uint64_t>(info.Length.QuadPart);
        return true;
      }
      // Wine refuses the length control for a drive backed by an image, and gives the image's size instead.
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size) || size.QuadPart < 0) return false;
    bytes = static_cast<uint64_t>(size.QuadPart);
    return true;
  }

 private:
  HANDLE handle_;
  bool volume_;
  uint32_t sectorSizeOverride_;
  int descriptor_ = -1;
};
}  // namespace

std::unique_ptr<TBlockDevice> TFileBlockSource::Open(std::string& error) {
  // Read-only, and shared: the system and other programs keep using the volume while it is read.
  HANDLE handle = CreateFileW(WideFromUtf8(path_).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD why = GetLastError();
    lastFailure_ = why == ERROR_NOT_READY || why == ERROR_NO_MEDIA_IN_DRIVE ? TOpenFailure::NoMedium
                   : why == ERROR_ACCESS_DENIED                             ? TOpenFailure::NoAccess
                                                                            : TOpenFailure::Other;
    error = path_ + ": " + WindowsErrorText(why);
    return nullptr;
  }
  lastFailure_ = TOpenFailure::None;
  const bool volume = path_.rfind("\\\\.\\", 0) == 0;
  if (!volume && GetFileType(handle) != FILE_TYPE_DISK) {
    error = path_ + ": not a disk image or volume";
    lastFailure_ = TOpenFailure::Other;
    CloseHandle(handle);
    return nullptr;
  }
  GuardSourceHandle(handle);
  return std::make_unique<TWinBlockDevice>(handle, volume, sectorSizeOverride_);
}

// Windows grants no more when asked again: a refused volume needs the program run as administrator.
bool TFileBlockSource::AccessMayBeAsked() const { return false; }

}  // namespace quillot
