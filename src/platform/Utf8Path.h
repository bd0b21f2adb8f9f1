// Paths are UTF-8 text inside the program. std::filesystem takes narrow text in the platform's own
// encoding, which on Windows is not UTF-8: text goes in and comes out through these two.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillot {

inline std::filesystem::path PathOfUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace quillot
