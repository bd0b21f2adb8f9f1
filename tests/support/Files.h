#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quillot::test {

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Writes text and a line break, creating the file's folders first (sysfs-like trees in tests).
inline void PutLine(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace quillot::test
