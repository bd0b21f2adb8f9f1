// Language files written in an 8-bit code page name it in a comment near their top
// ("; Code page: windows-1251"); the program's texts are UTF-8, so such a file is converted when read.
#pragma once

#include <string>
#include <string_view>

namespace quillot {

// The code page named by a "; Code page: <name>" line among the comment lines that open the text
// (before its first section header or entry), or empty when there is none.
std::string DeclaredCodePage(std::string_view text);

// Whether text is well-formed UTF-8 (plain ASCII is).
bool IsUtf8(std::string_view text);

// Converts text from codePage to UTF-8. Bytes the code page does not define become U+FFFD. Answers false,
// leaving text as it was, when the code page is unknown.
bool ConvertToUtf8(std::string& text, std::string_view codePage);

// A language file's text as the program uses it: converted from the code page it names; taken as it is
// when it names none or an unknown one, or when it is UTF-8 already (an editor may have re-saved the file
// as UTF-8 and left the old comment in place).
std::string DecodeLanguageText(std::string text);

}  // namespace quillot
