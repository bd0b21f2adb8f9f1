// Small text helpers shared by the file readers: the program's texts are 8-bit byte strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillot {

// Removes leading and trailing characters with codes 0 to 32 (blanks and control characters).
std::string_view Trim(std::string_view s);
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

// Reads a signed 32-bit integer in the runtime's syntax: optional blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may follow. Hexadecimal takes
// all 32 bits ($FFFFFFFF is -1); a value that does not fit, or any other text, answers nothing.
std::optional<int32_t> ParseInt32(std::string_view s);
inline int32_t StrToIntDef(std::string_view s, int32_t def) { return ParseInt32(s).value_or(def); }

// Splits at CR LF, lone CR or lone LF; a line break at the very end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view s);

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view s);

// Fills every "%s" in order with the given arguments (the lookup comes first, then this).
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

// Compares names with digit runs as numbers: "sda2" < "sda10".
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace quillot
