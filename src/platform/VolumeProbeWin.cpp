#include "platform/VolumeProbe.h"

#include <io.h>
#include <windows.h>

#include "platform/WideText.h"

namespace quillot {

// The system's own answer for the volume behind fd (a descriptor on a \\.\X: handle): its label, serial and
// file system, as GetVolumeInformationW gives them for X:\. Images opened as files have no descriptor.
bool ProbeVolume(int fd, TVolumeFacts& facts) {
  facts = TVolumeFacts{};
  if (fd < 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return false;
  wchar_t label[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
  DWORD serial = 0;
  if (!GetVolumeInformationByHandleW(handle, label, MAX_PATH + 1, &serial, nullptr, nullptr, system, MAX_PATH + 1))
    return false;
  facts.Label = Utf8FromWide(label);
  facts.Type = Utf8FromWide(system);
  facts.Serial = serial;
  return true;
}

}  // namespace quillot
