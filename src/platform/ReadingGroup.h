// The group whose members may read a device node, for advice on getting the right to read it.
#pragma once

#include <string>

namespace quillot {

// The group that owns path and may read it, by name; empty when there is none worth joining (root's, or one
// without read rights), it cannot be had, or the system has no such groups.
std::string ReadingGroupOf(const std::string& path);

}  // namespace quillot
