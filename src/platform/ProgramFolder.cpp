#include "platform/ProgramFolder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace quillot {

namespace {
std::string ResolveProgramFolder() {
  char buf[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  std::string path = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
  if (char* real = path.empty() ? nullptr : realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string& Override() {
  static std::string folder;
  return folder;
}
}  // namespace

const std::string& ProgramFolder() {
  static const std::string folder = ResolveProgramFolder();
  return Override().empty() ? folder : Override();
}

std::string DataFolder() {
  const std::string& program = ProgramFolder();
  std::error_code ec;
  if (std::filesystem::exists(program + "Quillot.ini", ec)) return program;
  const std::filesystem::path shared = (std::filesystem::path(program) / ".." / "share" / "quillot").lexically_normal();
  if (std::filesystem::is_directory(shared, ec)) return shared.string() + PathDelim;
  return program;
}

void SetProgramFolderForTesting(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != PathDelim) f += PathDelim;
  Override() = f;
}

}  // namespace quillot
