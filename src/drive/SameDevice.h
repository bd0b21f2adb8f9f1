// Whether a destination folder lies on the source drive, judged by device rather than by text.
#pragma once

#include <string>

namespace quillot {

// True when the nearest existing folder of destination is on the source of letter: the same device,
// one of its partitions, or the disk holding it; for an image source, a file system mounted from it.
bool DestinationOnSource(char letter, const std::string& destination);

}  // namespace quillot
