#include "app/RegistryStore.h"

#include <filesystem>

#include "app/UserFolders.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Utf8Path.h"

namespace quillot {

std::string TRegistryStore::DefaultPath() { return UserSettingsFolder() + PathDelim + "Quillot.reg"; }

bool TRegistryStore::Load(const std::string& path) {
  keys_.clear();
  std::error_code ec;
  if (!std::filesystem::exists(PathOfUtf8(path), ec) && !ec) return true;
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  Parse(text);
  return true;
}

bool TRegistryStore::Save(const std::string& path, std::string* error) const {
  std::error_code ec;
  std::filesystem::path folder = PathOfUtf8(path).parent_path();
  if (!folder.empty()) {
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      if (error) *error = "cannot create folder " + folder.string() + ": " + ec.message();
      return false;
    }
  }
  return WriteFileAtomically(path, Text(), error);
}

}  // namespace quillot
