#include "platform/VolumeProbe.h"

namespace quillot {

// Windows reads a volume's label and serial from the volume itself (GetVolumeInformationW on its drive
// letter), which this build does not do yet; an open source says nothing here.
bool ProbeVolume(int, TVolumeFacts&) { return false; }

}  // namespace quillot
