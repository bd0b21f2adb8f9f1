#include "platform/ProgramFolder.h"

#include <filesystem>

#include "platform/ProgramPath.h"
#include "platform/Utf8Path.h"

namespace quillot {

namespace {
std::string ResolveProgramFolder() {
  const std::string path = RunningProgramPath();
  size_t delim = path.find_last_of(kPathDelims);
  return delim == std::string::npos ? std::string(".") + PathDelim : path.substr(0, delim + 1);
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
  if (std::filesystem::exists(PathOfUtf8(program + "Quillot.ini"), ec)) return program;
  const std::filesystem::path shared = (PathOfUtf8(program) / ".." / "share" / "quillot").lexically_normal();
  if (std::filesystem::is_directory(shared, ec)) return Utf8OfPath(shared) + PathDelim;
  return program;
}

void SetProgramFolderForTesting(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != PathDelim) f += PathDelim;
  Override() = f;
}

}  // namespace quillot
