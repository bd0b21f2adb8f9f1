#include "wizard/FormatFields.h"

#include <algorithm>

#include "util/Text.h"

namespace quillot {

int TitleLengthLimit(const std::string& title) {
  int units = 0;
  for (unsigned char c : title) {
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    units += c >= 0xF0 ? 2 : 1;        // past the basic plane a character takes two units
  }
  return std::max(kMaxTitleLength, units);
}

std::string ScriptLines(const std::string& scanBytes) {
  std::string text;
  bool first = true;
  for (std::string_view line : SplitLines(scanBytes)) {
    if (!first) text += '\n';
    text += line;
    first = false;
  }
  return text;
}

std::string ScanBytesFromScript(const std::string& script) {
  std::string text;
  for (std::string_view line : SplitLines(script)) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace quillot
