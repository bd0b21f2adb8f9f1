#include <cctype>

#include "platform/VolumeProbe.h"
#include "util/Text.h"

namespace quillot {

uint32_t SerialFromUuid(const std::string& type, const std::string& uuid) {
  std::string hex;
  if (EqualsNoCase(type, "vfat") || EqualsNoCase(type, "msdos") || EqualsNoCase(type, "exfat")) {
    if (uuid.size() != 9 || uuid[4] != '-') return 0;
    hex = uuid.substr(0, 4) + uuid.substr(5);
  } else if (EqualsNoCase(type, "ntfs")) {
    if (uuid.size() != 16) return 0;
    hex = uuid.substr(8);
  } else {
    return 0;
  }
  uint32_t value = 0;
  for (char c : hex) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return 0;
    value = value << 4 |
            static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
  }
  return value;
}

}  // namespace quillot
