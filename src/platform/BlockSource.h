// What stands behind a drive letter: a block device or a disk-image file, opened read-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace quillot {

// The platform's drive-type codes, as the drive list names them.
enum TPlatformDriveType : uint32_t {
  DRIVE_UNKNOWN = 0,
  DRIVE_NO_ROOT_DIR = 1,
  DRIVE_REMOVABLE = 2,
  DRIVE_FIXED = 3,
  DRIVE_REMOTE = 4,
  DRIVE_CDROM = 5,
  DRIVE_RAMDISK = 6,
};

// What kind of thing a source is; decides its drive type, default sector size and media type.
enum class TSourceKind { Floppy, Removable, Fixed, Optical, Ram, Network, Unknown };

// Why the last open of a source failed: no medium in the drive (an empty optical drive or card reader), no
// rights to read it (EACCES, EPERM), or another reason; None after an open that worked.
enum class TOpenFailure { None, NoMedium, NoAccess, Other };

// One open read session on a source. Reads never change the source.
class TBlockDevice {
 public:
  virtual ~TBlockDevice() = default;
  // pread semantics: bytes read (fewer at the end), 0 past the end, -1 on failure.
  virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t length) = 0;
  // The logical sector size the medium reports; false when it cannot say.
  virtual bool SectorSize(uint32_t& bytes) = 0;
  // The medium's length in bytes; false when it cannot say (no medium, vanished).
  virtual bool Length(uint64_t& bytes) = 0;
  // A file descriptor for probes that need one (volume label and serial); -1 when there is none.
  virtual int Descriptor() const { return -1; }
};

class TBlockSource {
 public:
  virtual ~TBlockSource() = default;
  // A short name for messages and the drive list: "sda1", or the image's path.
  virtual std::string Name() const = 0;
  virtual TSourceKind Kind() const = 0;
  // The sysfs removable flag (or the kind's natural answer).
  virtual bool Removable() const = 0;
  // Opens a read session; nullptr with error filled when the source cannot be opened.
  virtual std::unique_ptr<TBlockDevice> Open(std::string& error) = 0;
  // Why the last Open failed.
  virtual TOpenFailure LastOpenFailure() const { return TOpenFailure::None; }
  bool LastOpenFoundNoMedium() const { return LastOpenFailure() == TOpenFailure::NoMedium; }
  // After an open refused for lack of rights: whether the system may still grant it when asked with the
  // user's consent (udisks2 knows the device), which an open inside a TAccessRequestScope does.
  virtual bool AccessMayBeAsked() const { return false; }
  // The backing file of an image, the device node of a block device; empty for sources with neither.
  virtual std::string Path() const = 0;
  virtual bool IsImage() const = 0;
};

// A block device node or an image file, opened O_RDONLY and read with pread.
// sectorSizeOverride (non-zero) replaces the size the medium reports: 512 for plain images,
// 2048 for optical drives and .iso images.
class TFileBlockSource final : public TBlockSource {
 public:
  TFileBlockSource(std::string name, std::string path, TSourceKind kind, bool removable, bool image,
                   uint32_t sectorSizeOverride)
      : name_(std::move(name)),
        path_(std::move(path)),
        kind_(kind),
        removable_(removable),
        image_(image),
        sectorSizeOverride_(sectorSizeOverride) {}
  std::string Name() const override { return name_; }
  TSourceKind Kind() const override { return kind_; }
  bool Removable() const override { return removable_; }
  std::unique_ptr<TBlockDevice> Open(std::string& error) override;
  TOpenFailure LastOpenFailure() const override { return lastFailure_; }
  bool AccessMayBeAsked() const override;
  std::string Path() const override { return path_; }
  bool IsImage() const override { return image_; }

 private:
  std::string name_, path_;
  TSourceKind kind_;
  bool removable_, image_;
  uint32_t sectorSizeOverride_;
  TOpenFailure lastFailure_ = TOpenFailure::None;
};

// The platform drive-type code of a source kind.
uint32_t DriveTypeOfKind(TSourceKind kind);

}  // namespace quillot
