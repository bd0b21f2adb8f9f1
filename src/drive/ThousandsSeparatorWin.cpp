#include "drive/FileUtils.h"
#include "platform/WideText.h"

#include <windows.h>

namespace quillot {

std::string UserThousandsSeparator() {
  // The user's own number format, as the regional settings give it.
  wchar_t separator[8] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8);
  const std::string text = n > 1 ? Utf8FromWide(std::wstring_view(separator, static_cast<size_t>(n - 1))) : "";
  return text.empty() ? "," : text;
}

}  // namespace quillot
