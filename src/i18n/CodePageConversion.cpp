#include <cerrno>
#include <iconv.h>

#include "i18n/CodePage.h"

namespace quillot {

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kMaxNameLength = 40;

// Only plain names reach iconv.
bool IsPlainName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.' || c == ':';
    if (!ok) return false;
  }
  return true;
}

class TIconv {
 public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~TIconv() {
    if (ok()) iconv_close(cd_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Runs text through the conversion into out. Without out it only checks: the first byte the conversion
// cannot take answers false. With out such a byte (or a sequence cut short) becomes U+FFFD and the run
// goes on, so one bad byte never costs the rest of the file.
bool Run(TIconv& cd, std::string_view text, std::string* out) {
  std::string in(text);
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char buffer[4096];
  auto flush = [&](char* outPtr) {
    if (out) out->append(buffer, static_cast<size_t>(outPtr - buffer));
  };
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    flush(outPtr);
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    if (!out) return false;
    *out += kReplacement;
    ++inPtr;
    --inLeft;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state of a stateful code page.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
  flush(outPtr);
  return true;
}
}  // namespace

bool IsUtf8(std::string_view text) {
  TIconv check("UTF-8", "UTF-8");
  return check.ok() && Run(check, text, nullptr);
}

bool ConvertToUtf8(std::string& text, std::string_view codePage) {
  if (!IsPlainName(codePage)) return false;
  TIconv convert("UTF-8", std::string(codePage).c_str());
  if (!convert.ok()) return false;
  std::string out;
  out.reserve(text.size() * 2);
  Run(convert, text, &out);
  text = std::move(out);
  return true;
}

}  // namespace quillot
