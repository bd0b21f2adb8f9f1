#include "wizard/VersionLine.h"

#include "app/VersionInfo.h"
#include "i18n/Messages.h"

namespace quillot {

std::string VersionLine() { return ProductVersion + " (" + Tr(strBuild) + ": " + BuildNumber + ")"; }

}  // namespace quillot
