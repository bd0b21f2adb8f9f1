// The platform-version query. Linux answers as the NT family; the environment variable
// QUILLOT_PLATFORM=win95|win95b|win98 (or nt) makes it answer as a 95/98-family system instead, and the
// simulated 95/98 devices then stand in for the real ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillot {

inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
inline constexpr uint32_t kOSVersionInfoSize = 148;

// The platform's version record, 148 bytes.
struct TOSVersionInfoA {
  uint32_t dwOSVersionInfoSize = 0;
  uint32_t dwMajorVersion = 0;
  uint32_t dwMinorVersion = 0;
  uint32_t dwBuildNumber = 0;
  uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(TOSVersionInfoA) == kOSVersionInfoSize);

// Fills info; fails (leaving it as it was) unless its size field is 148.
bool GetVersionExA(TOSVersionInfoA& info);

// The version a platform name stands for ("nt", "win95", "win95b", "win98"; any case); nothing for
// another name.
std::optional<TOSVersionInfoA> VersionOfPlatformName(const std::string& name);

// The version answered from now on (tests); nothing returns to the environment's choice.
void SetSimulatedVersion(std::optional<TOSVersionInfoA> version);

// The name in QUILLOT_PLATFORM when it names no platform; empty otherwise.
std::string UnknownPlatformName();

// True when the answered version belongs to the 95/98 family.
bool IsSimulated9xFamily();

}  // namespace quillot
