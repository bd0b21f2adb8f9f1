#include "i18n/CodePage.h"
#include "i18n/LanguageFile.h"
#include "platform/WideText.h"
#include "util/Text.h"

#include <windows.h>

#include <cstdlib>

namespace quillot {

namespace {
// The Windows code page number of a name a language file gives: "windows-1251", "cp1252", "ibm866",
// "iso-8859-2", "koi8-r", "utf-8"; 0 for a name Windows has no code page for.
unsigned CodePageNumber(std::string_view name) {
  const std::string lower = LowerCaseAscii(name);
  auto numberAfter = [&](std::string_view prefix) -> unsigned {
    if (lower.rfind(prefix, 0) != 0 || lower.size() == prefix.size() || lower.size() > prefix.size() + 5) return 0;
    for (size_t i = prefix.size(); i < lower.size(); ++i)
      if (lower[i] < '0' || lower[i] > '9') return 0;
    return static_cast<unsigned>(std::strtoul(lower.c_str() + prefix.size(), nullptr, 10));
  };
  if (lower == "utf-8" || lower == "utf8") return CP_UTF8;
  if (lower == "koi8-r") return 20866;
  if (lower == "koi8-u") return 21866;
  for (std::string_view prefix : {"windows-", "cp", "ibm"})
    if (const unsigned n = numberAfter(prefix)) return n;
  for (std::string_view prefix : {"iso-8859-", "iso8859-"})
    if (const unsigned n = numberAfter(prefix); n >= 1 && n <= 16) return 28590 + n;
  return 0;
}
}  // namespace

bool IsUtf8(std::string_view text) {
  if (text.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

bool ConvertToUtf8(std::string& text, std::string_view codePage) {
  const unsigned number = CodePageNumber(codePage);
  CPINFO info{};
  if (number == 0 || !GetCPInfo(number, &info)) return false;
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(number, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(number, 0, text.data(), size, wide.data(), n);
  // The Windows code pages leave a few bytes undefined; Windows passes them on as C1 controls, which no
  // defined byte of these pages becomes. They read as replacement characters, as on Linux.
  if (number == 874 || (number >= 1250 && number <= 1258))
    for (wchar_t& c : wide)
      if (c >= 0x80 && c <= 0x9F) c = 0xFFFD;
  text = Utf8FromWide(wide);
  return true;
}

}  // namespace quillot
