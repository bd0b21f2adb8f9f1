#include "drive/SameDevice.h"

namespace quillot {

// Placeholder until the drive table lands.
bool DestinationOnSource(char, const std::string&) { return false; }

}  // namespace quillot
