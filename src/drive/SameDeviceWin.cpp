#include "drive/DriveTable.h"
#include "drive/SameDevice.h"
#include "platform/WideText.h"

#include <windows.h>

namespace quillot {

namespace {
// The volume's name ("\\?\Volume{...}\") of the volume holding path; empty when it has none.
std::wstring VolumeNameOf(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeNameForVolumeMountPointW(root, name, MAX_PATH)) return root;
  return name;
}
}  // namespace

bool DestinationOnDrive(char letter, const std::string& destination) {
  auto source = DriveTable().Source(letter);
  if (!source || source->Path().empty()) return false;
  // An image file is read, not mounted by us: no destination lies inside it.
  if (source->IsImage()) return false;
  // A volume "\\.\X:" is compared with the destination's volume through their volume names.
  const std::string& path = source->Path();
  if (path.size() < 6 || path.rfind("\\\\.\\", 0) != 0) return false;
  const std::wstring sourceVolume = VolumeNameOf(WideFromUtf8(path.substr(4)) + L"\\");
  const std::wstring destinationVolume = VolumeNameOf(WideFromUtf8(NearestExistingFolder(destination)));
  return !sourceVolume.empty() && sourceVolume == destinationVolume;
}

}  // namespace quillot
