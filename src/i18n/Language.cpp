#include "i18n/Language.h"

namespace quillot {

// Language files come with the translation subsystem; until then every message is the built-in text.
std::string TranslateString(std::string_view defaultText, std::string_view) { return std::string(defaultText); }

}  // namespace quillot
