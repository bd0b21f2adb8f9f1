#include "drive/SameDevice.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "drive/DriveTable.h"
#include "platform/SysBlockScan.h"

namespace quillot {

namespace fs = std::filesystem;

namespace {
constexpr int kMaxStackDepth = 8;

std::string DevName(dev_t d) { return std::to_string(major(d)) + ":" + std::to_string(minor(d)); }

bool ParseDev(const std::string& text, dev_t& d) {
  unsigned maj = 0, min = 0;
  char colon = 0;
  std::istringstream in(text);
  if (!(in >> maj >> colon >> min) || colon != ':') return false;
  d = makedev(maj, min);
  return true;
}

bool DevOfDir(const fs::path& dir, dev_t& d) { return ParseDev(ReadSysAttribute((dir / "dev").string()), d); }

// The source device, its partitions and the disk that holds it.
std::set<dev_t> SourceFamily(dev_t source, const std::string& sysDevBlock) {
  std::set<dev_t> family{source};
  std::error_code ec;
  fs::path dir = fs::canonical(fs::path(sysDevBlock) / DevName(source), ec);
  if (ec) return family;
  for (const auto& child : fs::directory_iterator(dir, ec)) {
    dev_t d;
    if (fs::exists(child.path() / "partition", ec) && DevOfDir(child.path(), d)) family.insert(d);
  }
  dev_t disk;
  if (fs::exists(dir / "partition", ec) && DevOfDir(dir.parent_path(), disk)) family.insert(disk);
  return family;
}

bool OnSource(dev_t fsDevice, const TSourceIdentity& source, const std::set<dev_t>& family,
              const std::string& sysDevBlock, int depth) {
  if (depth > kMaxStackDepth) return false;
  if (source.IsBlockDevice && family.count(fsDevice) != 0) return true;
  std::error_code ec;
  fs::path dir = fs::canonical(fs::path(sysDevBlock) / DevName(fsDevice), ec);
  if (ec) return false;
  // A loop device's data lies in its backing file: on the image itself, or on the file system holding it.
  const std::string backing = ReadSysAttribute((dir / "loop" / "backing_file").string());
  if (!backing.empty()) {
    struct stat st {};
    if (::stat(backing.c_str(), &st) == 0) {
      if (source.IsImageFile && st.st_dev == source.FileDevice && st.st_ino == source.FileInode) return true;
      if (OnSource(st.st_dev, source, family, sysDevBlock, depth + 1)) return true;
    }
  }
  // Device-mapper and md devices sit on their slaves.
  for (const auto& slave : fs::directory_iterator(dir / "slaves", ec)) {
    dev_t d;
    if (DevOfDir(fs::canonical(slave.path(), ec), d) && OnSource(d, source, family, sysDevBlock, depth + 1))
      return true;
  }
  return false;
}

// The block device behind a file system whose st_dev is anonymous (btrfs, some overlays): the mount's
// source, when that is a device node.
dev_t BackingDeviceOfMount(dev_t fsDevice) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  const std::string wanted = DevName(fsDevice);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, devField;
    fields >> id >> parent >> devField;
    if (devField != wanted) continue;
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string type, source;
    tail >> type >> source;
    struct stat st {};
    if (!source.empty() && source[0] == '/' && ::stat(source.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
      return st.st_rdev;
  }
  return fsDevice;
}
}  // namespace

bool IdentifySource(const std::string& path, TSourceIdentity& identity) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  identity = TSourceIdentity{};
  if (S_ISBLK(st.st_mode)) {
    identity.IsBlockDevice = true;
    identity.Device = st.st_rdev;
  } else if (S_ISREG(st.st_mode)) {
    identity.IsImageFile = true;
    identity.FileDevice = st.st_dev;
    identity.FileInode = st.st_ino;
  } else {
    return false;
  }
  return true;
}

bool DeviceOnSource(dev_t fsDevice, const TSourceIdentity& source, const std::string& sysDevBlock) {
  std::set<dev_t> family;
  if (source.IsBlockDevice) family = SourceFamily(source.Device, sysDevBlock);
  return OnSource(fsDevice, source, family, sysDevBlock, 0);
}

bool DestinationOnDrive(char letter, const std::string& destination) {
  auto source = DriveTable().Source(letter);
  TSourceIdentity identity;
  if (!source || !IdentifySource(source->Path(), identity)) return false;
  struct stat st {};
  if (::stat(NearestExistingFolder(destination).c_str(), &st) != 0) return false;
  dev_t fsDevice = st.st_dev;
  if (major(fsDevice) == 0) fsDevice = BackingDeviceOfMount(fsDevice);
  return DeviceOnSource(fsDevice, identity);
}

}  // namespace quillot
