#include "wizard/DestinationCheck.h"

#include <filesystem>
#include <system_error>

#include "drive/SameDevice.h"
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "platform/Utf8Path.h"
#include "platform/WriteAccess.h"
#include "util/Text.h"
#include "wizard/WizardMessages.h"

namespace quillot {

std::optional<std::string> DestinationProblem(char letter, const std::string& folder) {
  // The source's device is never written, not even a folder: this check comes first.
  const std::string root = UpperCase(std::string(1, letter) + ":\\");
  if (UpperCase(folder).find(root) != std::string::npos || DestinationOnDrive(letter, folder))
    return Tr(strSameDiskError);
  const std::filesystem::path path = PathOfUtf8(folder);
  std::error_code ec;
  if (!std::filesystem::is_directory(path, ec)) {
    std::filesystem::create_directories(path, ec);
    if (ec) return Tr(strDestinationNotCreated, {folder, ec.message()});
    if (!std::filesystem::is_directory(path, ec))
      return Tr(strDestinationNotCreated, {folder, std::make_error_code(std::errc::not_a_directory).message()});
  }
  if (const std::string why = WhyCannotWriteInto(folder); !why.empty())
    return Tr(strDestinationNotWritable, {folder, why});
  return std::nullopt;
}

namespace {
bool NamedLike(const std::string& name, const TFormat& format) {
  const std::string& prefix = format.FilePrefix;
  const std::string suffix = "." + format.FileExtension;
  if (name.size() < prefix.size() + 5 + suffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}
}  // namespace

int CountRecoveredFiles(const std::string& folder, const TFormatsList& formats) {
  std::error_code ec;
  std::filesystem::directory_iterator it(PathOfUtf8(folder), ec);
  int count = 0;
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = Utf8OfPath(it->path().filename());
    for (const auto& f : formats)
      if (NamedLike(name, *f)) {
        ++count;
        break;
      }
  }
  return count;
}

}  // namespace quillot
