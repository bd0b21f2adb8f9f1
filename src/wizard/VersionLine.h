// The version line the About window and the language dialog show.
#pragma once

#include <string>

namespace quillot {

// ProductVersion, " (", the translated "Build", ": ", BuildNumber, ")".
std::string VersionLine();

}  // namespace quillot
