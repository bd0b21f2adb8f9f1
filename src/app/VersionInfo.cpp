#include "app/VersionInfo.h"

#include "Version.h"
#include "util/Text.h"

namespace quillot {

std::string ProductName;
std::string ProductVersion;
std::string FileVersion;
std::string FileDescription;
std::string BuildNumber;

namespace {
constexpr std::string_view kStringBlock = "\\StringFileInfo\\040904E4\\";

struct TFact {
  const char* Name;
  const char* Text;
};
constexpr TFact kFacts[] = {
    {"ProductName", build::ProductName},
    {"ProductVersion", build::ProductVersion},
    {"FileVersion", build::FileVersion},
    {"FileDescription", build::FileDescription},
};
}  // namespace

std::string VerQueryValue(std::string_view query) {
  if (query.size() <= kStringBlock.size() || !EqualsNoCase(query.substr(0, kStringBlock.size()), kStringBlock))
    return std::string();
  std::string_view name = query.substr(kStringBlock.size());
  for (const TFact& fact : kFacts)
    if (EqualsNoCase(name, fact.Name)) return fact.Text;
  return std::string();
}

std::string BuildNumberOf(std::string_view fileVersion) {
  size_t pos = 0;
  for (int dots = 0; dots < 3; ++dots) {
    size_t dot = fileVersion.find('.', pos);
    if (dot == std::string_view::npos) return std::string(fileVersion);
    pos = dot + 1;
  }
  return std::string(fileVersion.substr(pos));
}

void ReadVersionInfo() {
  const std::string block(kStringBlock);
  ProductName = VerQueryValue(block + "ProductName");
  ProductVersion = VerQueryValue(block + "ProductVersion");
  FileVersion = VerQueryValue(block + "FileVersion");
  FileDescription = VerQueryValue(block + "FileDescription");
  BuildNumber = BuildNumberOf(FileVersion);
}

}  // namespace quillot
