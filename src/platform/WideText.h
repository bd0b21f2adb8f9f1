// Windows speaks UTF-16 in its W calls; the program's texts and paths are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace quillot {

// UTF-8 to UTF-16 for a W call; invalid bytes become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// UTF-16 from a W call to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// The text of a Win32 error code, in UTF-8, without its line break.
std::string WindowsErrorText(unsigned long code);

}  // namespace quillot
