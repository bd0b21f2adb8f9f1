#include "platform/BlockSource.h"

namespace quillot {

uint32_t DriveTypeOfKind(TSourceKind kind) {
  switch (kind) {
    case TSourceKind::Floppy:
    case TSourceKind::Removable: return DRIVE_REMOVABLE;
    case TSourceKind::Fixed: return DRIVE_FIXED;
    case TSourceKind::Optical: return DRIVE_CDROM;
    case TSourceKind::Ram: return DRIVE_RAMDISK;
    case TSourceKind::Network: return DRIVE_REMOTE;
    case TSourceKind::Unknown: return DRIVE_UNKNOWN;
  }
  return DRIVE_UNKNOWN;
}

}  // namespace quillot
