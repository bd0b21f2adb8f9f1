#include "cli/ImageOptions.h"

#include <cstdio>

#include "drive/DriveTable.h"

namespace quillot::cli {

bool AttachImages(const std::vector<std::string>& images, bool verbose, std::string& error) {
  for (const auto& path : images) {
    auto letter = AttachImage(path, error);
    if (!letter) return false;
    if (verbose) std::printf("%c: %s\n", *letter, path.c_str());
  }
  return true;
}

}  // namespace quillot::cli
