// The language-file reader on any bytes: the line ends do not matter, and translated texts come out
// without a crash.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "i18n/CodePage.h"
#include "i18n/Language.h"
#include "i18n/LanguageFile.h"

using namespace quillot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto file = std::make_unique<TLanguageFile>();
  file->Parse(text);

  // Parsing the same text with other line ends gives the same lookups.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  TLanguageFile other;
  other.Parse(crlf);
  FUZZ_CHECK(other.SectionCount() == file->SectionCount(), "CR LF and LF read alike");

  // A file that names a code page is converted as it is read; what comes out is UTF-8 when it was.
  const std::string decoded = DecodeLanguageText(std::string(text));
  if (decoded != text) FUZZ_CHECK(IsUtf8(decoded), "a converted file is UTF-8");
  TLanguageFile converted;
  converted.Parse(decoded);

  LanguageFile = std::move(file);
  for (std::string_view key : {"strRecoveryFinished", "strUnableToWrite", "", "*|*"})
    (void)TranslateString("default *|* %s", key);
  LanguageFile.reset();
  return 0;
}
