#include <filesystem>

#include "drive/SameDevice.h"

namespace quillot {

namespace fs = std::filesystem;

std::string NearestExistingFolder(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), ec).lexically_normal();
  if (ec) p = "/";
  while (true) {
    if (fs::is_directory(p, ec)) return p.string();
    if (!p.has_parent_path() || p.parent_path() == p) return "/";
    p = p.parent_path();
  }
}

}  // namespace quillot
