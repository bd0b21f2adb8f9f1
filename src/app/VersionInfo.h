// The program's version facts, generated at build time and read once at start-up.
#pragma once

#include <string>
#include <string_view>

namespace quillot {

extern std::string ProductName;
extern std::string ProductVersion;
extern std::string FileVersion;
extern std::string FileDescription;
extern std::string BuildNumber;

// Answers the version text a query names, "\StringFileInfo\040904E4\" followed by the fact's name
// (names and block compared without regard to case), or empty when there is no such text.
std::string VerQueryValue(std::string_view query);

// The text of fileVersion after its third "."; the whole text when it has fewer than three.
std::string BuildNumberOf(std::string_view fileVersion);

// Fills the facts above.
void ReadVersionInfo();

}  // namespace quillot
