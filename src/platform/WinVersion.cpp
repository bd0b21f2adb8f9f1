#include "platform/WinVersion.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "util/Text.h"

namespace quillot {

namespace {
std::mutex gMutex;
std::optional<TOSVersionInfoA> gOverride;

TOSVersionInfoA MakeVersion(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, const char* csd) {
  TOSVersionInfoA v;
  v.dwOSVersionInfoSize = kOSVersionInfoSize;
  v.dwPlatformId = platform;
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
  std::strncpy(v.szCSDVersion, csd, sizeof(v.szCSDVersion) - 1);
  return v;
}

std::string PlatformVariable() {
  const char* value = std::getenv("QUILLOT_PLATFORM");
  return value ? std::string(Trim(value)) : std::string();
}

TOSVersionInfoA CurrentVersion() {
  std::lock_guard lock(gMutex);
  if (gOverride) return *gOverride;
  std::string name = PlatformVariable();
  if (auto v = VersionOfPlatformName(name)) return *v;
  return *VersionOfPlatformName("nt");
}
}  // namespace

std::optional<TOSVersionInfoA> VersionOfPlatformName(const std::string& name) {
  if (name.empty() || EqualsNoCase(name, "nt")) return MakeVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600, "");
  if (EqualsNoCase(name, "win95")) return MakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, " A ");
  if (EqualsNoCase(name, "win95b")) return MakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1111, " B ");
  if (EqualsNoCase(name, "win98")) return MakeVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, " ");
  return std::nullopt;
}

bool GetVersionExA(TOSVersionInfoA& info) {
  if (info.dwOSVersionInfoSize != kOSVersionInfoSize) return false;
  info = CurrentVersion();
  return true;
}

void SetSimulatedVersion(std::optional<TOSVersionInfoA> version) {
  std::lock_guard lock(gMutex);
  gOverride = version;
}

std::string UnknownPlatformName() {
  std::string name = PlatformVariable();
  return VersionOfPlatformName(name) ? std::string() : name;
}

bool IsSimulated9xFamily() { return CurrentVersion().dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }

}  // namespace quillot
