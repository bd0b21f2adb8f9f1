#include "platform/BlockSource.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/SourceGuard.h"
#include "platform/UDisksOpen.h"

namespace quillot {

namespace {
class TFileBlockDevice final : public TBlockDevice {
 public:
  TFileBlockDevice(int fd, bool blockDevice, uint32_t sectorSizeOverride)
      : fd_(fd), blockDevice_(blockDevice), sectorSizeOverride_(sectorSizeOverride) {}
  ~TFileBlockDevice() override { ::close(fd_); }
  TFileBlockDevice(const TFileBlockDevice&) = delete;
  TFileBlockDevice& operator=(const TFileBlockDevice&) = delete;

  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    // A short read is not the end by itself: keep asking until the source says 0 or fails.
    while (done < length) {
      ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return done > 0 ? static_cast<int64_t>(done) : -1;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  bool SectorSize(uint32_t& bytes) override {
    if (sectorSizeOverride_ != 0) {
      bytes = sectorSizeOverride_;
      return true;
    }
    if (!blockDevice_) {
      bytes = 512;
      return true;
    }
    int size = 0;
    if (::ioctl(fd_, BLKSSZGET, &size) != 0 || size < 0) return false;
    bytes = static_cast<uint32_t>(size);
    return true;
  }

  bool Length(uint64_t& bytes) override {
    if (blockDevice_) {
      uint64_t size = 0;
      if (::ioctl(fd_, BLKGETSIZE64, &size) != 0) return false;
      bytes = size;
      return true;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size < 0) return false;
    bytes = static_cast<uint64_t>(st.st_size);
    return true;
  }

  int Descriptor() const override { return fd_; }

 private:
  int fd_;
  bool blockDevice_;
  uint32_t sectorSizeOverride_;
};
}  // namespace

std::unique_ptr<TBlockDevice> TFileBlockSource::Open(std::string& error) {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  const int why = fd < 0 ? errno : 0;
  // A device node we may not read may still be read through udisks2, after polkit allows it; an image
  // file is the user's own business.
  if (fd < 0 && (why == EACCES || why == EPERM) && !image_) {
    std::string refusal;
    fd = OpenThroughUDisks(path_, refusal);
  }
  if (fd < 0) {
    lastFailure_ = why == ENOMEDIUM                ? TOpenFailure::NoMedium
                   : why == EACCES || why == EPERM ? TOpenFailure::NoAccess
                                                   : TOpenFailure::Other;
    error = path_ + ": " + std::strerror(why);
    return nullptr;
  }
  lastFailure_ = TOpenFailure::None;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    error = path_ + ": not a disk image or block device";
    lastFailure_ = TOpenFailure::Other;
    ::close(fd);
    return nullptr;
  }
  GuardSource(st);
  return std::make_unique<TFileBlockDevice>(fd, S_ISBLK(st.st_mode), sectorSizeOverride_);
}

bool TFileBlockSource::AccessMayBeAsked() const {
  TUDisksFacts facts;
  return lastFailure_ == TOpenFailure::NoAccess && !image_ && UDisksFactsOf(path_, facts);
}

}  // namespace quillot
