// The store's text form, as regedit exports it: the settings file on Linux, and what the tests and the
// fuzzer read and write on every system.
#include <cstdio>
#include <optional>

#include "app/RegistryStore.h"
#include "i18n/LanguageFile.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted string at the start of s, with its escapes undone; pos moves past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view s, size_t& pos) {
  if (pos >= s.size() || s[pos] != '"') return std::nullopt;
  std::string out;
  for (size_t i = pos + 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      pos = i + 1;
      return out;
    }
    // A raw control character means the line is damaged, not a value.
    if (static_cast<unsigned char>(c) < 32 && c != '\t') return std::nullopt;
    if (c == '\\' && i + 1 < s.size()) {
      char next = s[++i];
      // Kept after a lone backslash it would be written back raw, and the next read would drop the line.
      if (static_cast<unsigned char>(next) < 32 && next != '\t') return std::nullopt;
      switch (next) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default:  // a lone backslash, as a hand-written Windows path has them
          out += '\\';
          out += next;
      }
      continue;
    }
    out += c;
  }
  return std::nullopt;  // no closing quote: a truncated line
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

std::optional<uint32_t> ReadDWord(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : digits) {
    int d = HexValue(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}

// hex:aa,bb or hex(N):aa,bb, as regedit writes values of other types; answers it in one clean form.
std::optional<std::string> ReadHexData(std::string_view data) {
  size_t colon = data.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view type = data.substr(0, colon);
  std::string out = "hex";
  if (type.size() > 3) {
    if (type[3] != '(' || type.back() != ')' || type.size() < 6) return std::nullopt;
    std::string_view n = type.substr(4, type.size() - 5);
    for (char c : n)
      if (HexValue(c) < 0) return std::nullopt;
    out += "(" + LowerCaseAscii(n) + ")";
  }
  out += ":";
  std::string_view bytes = data.substr(colon + 1);
  std::string clean;
  size_t start = 0;
  while (start <= bytes.size() && !bytes.empty()) {
    size_t comma = bytes.find(',', start);
    std::string_view b =
        Trim(bytes.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (b.size() != 2 || HexValue(b[0]) < 0 || HexValue(b[1]) < 0) return std::nullopt;
    if (!clean.empty()) clean += ',';
    clean += LowerCaseAscii(b);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out + clean;
}
void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes of clean hex data ("aa,bb,..." after the colon) as UTF-16LE text, up to the first NUL.
std::string Utf16Text(std::string_view bytes) {
  auto byteAt = [&](size_t p) { return HexValue(bytes[p]) * 16 + HexValue(bytes[p + 1]); };
  std::vector<uint16_t> units;
  for (size_t p = 0; p + 5 <= bytes.size(); p += 6)
    units.push_back(static_cast<uint16_t>(byteAt(p) | byteAt(p + 3) << 8));
  std::string out;
  for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}
}  // namespace

std::optional<std::string> TRegValue::AsString() const {
  if (Type == TType::String) return Text;
  if (Type != TType::Other) return std::nullopt;
  for (std::string_view prefix : {"hex(1):", "hex(2):"}) {
    if (std::string_view(Raw).substr(0, prefix.size()) != prefix) continue;
    std::string text = Utf16Text(Raw.substr(prefix.size()));
    // Held to the rule of quoted texts: a raw control character is damage. Taken as text, it would be
    // saved quoted and dropped by the next read.
    for (char c : text)
      if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\r' && c != '\n') return std::nullopt;
    return text;
  }
  return std::nullopt;
}

void TRegistryStore::Parse(std::string_view text) {
  keys_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const auto lines = SplitLines(text);
  std::string current;  // empty: values here belong to no key we keep
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.front() == ';' || line == kHeader || line == kOldHeader) continue;
    if (line.front() == '[') {
      current.clear();
      if (line.back() != ']') continue;
      std::string_view path = line.substr(1, line.size() - 2);
      // Only keys of the current user's root are ours; "[-...]" is an instruction, not a key.
      if (!StartsWithNoCase(path, kRegistryRoot)) continue;
      path.remove_prefix(kRegistryRoot.size());
      if (!path.empty() && path.front() != '\\') continue;
      path = TrimRegistryDelims(path);
      if (path.empty()) continue;
      current = std::string(path);
      CreateKey(current);
      continue;
    }
    if (current.empty()) continue;
    // Name: "quoted" or @ for the default value.
    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (auto quoted = ReadQuoted(line, pos)) {
      name = *quoted;
    } else {
      continue;
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') continue;
    std::string_view data = Trim(rest.substr(1));
    if (data.empty()) continue;
    if (data.front() == '"') {
      size_t end = 0;
      auto value = ReadQuoted(data, end);
      if (value && Trim(data.substr(end)).empty()) WriteString(current, name, *value);
    } else if (StartsWithNoCase(data, "dword:")) {
      if (auto number = ReadDWord(data.substr(6))) WriteDWord(current, name, *number);
    } else if (StartsWithNoCase(data, "hex")) {
      // Long binary data continues on the next lines after a trailing backslash.
      std::string joined(data);
      while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
        joined.pop_back();
        joined += Trim(lines[++i]);
      }
      if (auto raw = ReadHexData(joined)) {
        TRegValue& v = ValueFor(current, name);
        v.Type = TRegValue::TType::Other;
        v.Text.clear();
        v.Number = 0;
        v.Raw = *raw;
      }
    }
    // Anything else ("=-" deletions, unknown types, damaged lines) is dropped.
  }
}

std::string TRegistryStore::Text() const {
  std::string out(kHeader);
  out += "\n\n";
  for (const TKey& key : keys_) {
    out += "[" + std::string(kRegistryRoot) + "\\" + key.Path + "]\n";
    for (const TRegValue& v : key.Values) {
      out += v.Name.empty() ? std::string("@") : Quote(v.Name);
      out += '=';
      switch (v.Type) {
        case TRegValue::TType::String: out += Quote(v.Text); break;
        case TRegValue::TType::DWord: {
          char digits[16];
          std::snprintf(digits, sizeof digits, "dword:%08x", v.Number);
          out += digits;
          break;
        }
        case TRegValue::TType::Other: out += v.Raw; break;
      }
      out += '\n';
    }
    out += '\n';
  }
  return out;
}

}  // namespace quillot
