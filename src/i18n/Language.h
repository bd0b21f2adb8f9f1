// Translated messages: every message is written once as a key plus its built-in English text.
#pragma once

#include <string>
#include <string_view>

namespace quillot {

// Answers the loaded language file's text for key in section "Misc", or defaultText. Never fails.
std::string TranslateString(std::string_view defaultText, std::string_view key);

}  // namespace quillot
