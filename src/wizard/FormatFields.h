// The format properties dialog's fields: the recovery script as lines, and how long a title may be typed.
#pragma once

#include <string>

namespace quillot {

// The most characters a title can be typed with.
inline constexpr int kMaxTitleLength = 50;
// The limit the title field takes for title: kMaxTitleLength, or the title's own length when a longer one
// came from the formats file (an unchanged OK keeps it), counted as the field counts, in UTF-16 units.
int TitleLengthLimit(const std::string& title);

// The script as the memo shows it: the lines of scanBytes joined with "\n".
std::string ScriptLines(const std::string& scanBytes);
// The memo's text as ScanBytes: every line of it followed by CR LF.
std::string ScanBytesFromScript(const std::string& script);

}  // namespace quillot
