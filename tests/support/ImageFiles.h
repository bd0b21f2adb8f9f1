// Disk images for tests, made by mkfs.fat in a temporary folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillot::testing {

// Runs mkfs.fat with the given options on a new image of kilobytes KiB; true when it worked.
inline bool MakeFatImage(const std::filesystem::path& image, const std::string& options, unsigned kilobytes) {
  const std::string command = "mkfs.fat -C " + options + " '" + image.string() + "' " + std::to_string(kilobytes) +
                              " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace quillot::testing
