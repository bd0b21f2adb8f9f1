// Whether a file or folder is ours to change: the question an installed copy answers before it writes
// beside the program.
#pragma once

#include <string>

namespace quillot {

// True when this process may write path (access with the effective ids) and path carries at least one
// write permission bit. Root passes every permission check, so for root the bits alone tell a folder
// its owner made read-only (0555) from one meant to be written. A missing path answers false.
bool MayWrite(const std::string& path);

// True when this process may create files in the folder (write and search rights on it).
bool MayWriteInto(const std::string& folder);

// The system's reason this process may not create files in the folder ("Read-only file system"); empty
// when it may.
std::string WhyCannotWriteInto(const std::string& folder);

}  // namespace quillot
