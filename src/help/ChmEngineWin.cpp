#include "help/ChmEngine.h"

namespace quillot {

// The Windows build has no help engine yet: every help request meets the engine-missing case, which
// tells the person so.
namespace {
std::string& Library() {
  static std::string library = "the HTML Help engine (not in the Windows build yet)";
  return library;
}
}  // namespace

const TChmEngine* LoadChmEngine() { return nullptr; }
const TChmEngine* LoadedChmEngine() { return nullptr; }
const std::string& ChmEngineLibrary() { return Library(); }
void SetChmEngineLibraryForTesting(const std::string& library) { Library() = library; }

}  // namespace quillot
