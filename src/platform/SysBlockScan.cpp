#include "platform/SysBlockScan.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "util/Text.h"

namespace quillot {

namespace fs = std::filesystem;

std::string ReadSysAttribute(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return std::string(Trim(text));
}

namespace {
bool StartsWith(const std::string& s, std::string_view prefix) { return s.rfind(prefix, 0) == 0; }

int GroupOf(TSourceKind kind) {
  if (kind == TSourceKind::Floppy) return 0;
  if (kind == TSourceKind::Optical) return 2;
  return 1;
}
}  // namespace

std::vector<TSysBlockEntry> ScanSysBlock(const std::string& sysRoot, const std::string& devRoot) {
  std::vector<TSysBlockEntry> found;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(sysRoot, ec)) {
    const std::string name = item.path().filename().string();
    const std::string dir = item.path().string();
    if (name.empty() || name[0] == '.') continue;
    if (name.find("rpmb") != std::string::npos ||
        (StartsWith(name, "mmcblk") && name.find("boot") != std::string::npos))
      continue;
    TSysBlockEntry e;
    e.Name = name;
    e.DevicePath = devRoot + "/" + name;
    e.Partition = fs::exists(dir + "/partition", ec);
    e.Disk = name;
    if (e.Partition) {
      // The partition's sysfs folder lies inside its disk's folder.
      fs::path real = fs::canonical(item.path(), ec);
      if (!ec && real.has_parent_path()) e.Disk = real.parent_path().filename().string();
    }
    const std::string diskDir = sysRoot + "/" + e.Disk;
    e.Number = ReadSysAttribute(dir + "/dev");
    e.Serial = ReadSysAttribute(diskDir + "/device/serial");
    if (e.Serial.empty()) e.Serial = ReadSysAttribute(diskDir + "/device/wwid");
    e.Removable = ReadSysAttribute(diskDir + "/removable") == "1";
    if (StartsWith(e.Disk, "loop")) {
      // A loop device is what it is attached to: the same node over another file is another disk.
      e.Serial = ReadSysAttribute(diskDir + "/loop/backing_file");
      if (e.Serial.empty()) continue;
    }
    if (StartsWith(name, "fd"))
      e.Kind = TSourceKind::Floppy;
    else if (StartsWith(name, "sr"))
      e.Kind = TSourceKind::Optical;
    else if (StartsWith(name, "ram") || StartsWith(name, "zram"))
      e.Kind = TSourceKind::Ram;
    else if (StartsWith(name, "nbd"))
      e.Kind = TSourceKind::Network;
    else if (e.Removable)
      e.Kind = TSourceKind::Removable;
    else
      e.Kind = TSourceKind::Fixed;
    const bool mediaMayCome = e.Removable || e.Kind == TSourceKind::Floppy || e.Kind == TSourceKind::Optical;
    if (!mediaMayCome && ReadSysAttribute(dir + "/size") == "0") continue;
    found.push_back(std::move(e));
  }
  std::sort(found.begin(), found.end(), [](const TSysBlockEntry& a, const TSysBlockEntry& b) {
    if (GroupOf(a.Kind) != GroupOf(b.Kind)) return GroupOf(a.Kind) < GroupOf(b.Kind);
    return NaturalLess(a.Name, b.Name);
  });
  return found;
}

std::string DriveListingGap() { return {}; }

}  // namespace quillot
