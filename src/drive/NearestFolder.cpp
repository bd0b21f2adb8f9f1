#include <filesystem>

#include "drive/SameDevice.h"
#include "platform/Utf8Path.h"

namespace quillot {

namespace fs = std::filesystem;

std::string NearestExistingFolder(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path.empty() ? fs::path(".") : PathOfUtf8(path), ec).lexically_normal();
  if (ec) p = "/";
  while (true) {
    if (fs::is_directory(p, ec)) return Utf8OfPath(p);
    if (!p.has_parent_path() || p.parent_path() == p) return "/";
    p = p.parent_path();
  }
}

}  // namespace quillot
