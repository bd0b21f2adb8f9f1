#include "platform/ReadingGroup.h"

namespace quillot {

// A volume is read with Administrator rights, not through membership of a group.
std::string ReadingGroupOf(const std::string&) { return {}; }

}  // namespace quillot
