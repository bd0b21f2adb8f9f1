// The current user's registry on this platform: a per-user text file in the registry-export layout.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Brantwick\Quillot\Global]
//   "GlobalLastTip"=dword:00000000
//   "GlobalLanguage"="Deutsch.lng"
//
// Strings escape "\" and the quote as \\ and \", and line breaks as \r and \n. Key and value names are
// compared without regard to case; the last of repeated values counts. Lines that cannot be read are
// dropped, so the next save writes a clean file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillot {

inline constexpr std::string_view kRegistryRoot = "HKEY_CURRENT_USER";

struct TRegValue {
  enum class TType { String, DWord, Other };
  std::string Name;  // empty for the key's default value ("@")
  TType Type = TType::String;
  std::string Text;     // String
  uint32_t Number = 0;  // DWord
  std::string Raw;      // Other: the data as written after "=", e.g. hex(b):01,00,00,00,00,00,00,00

  // The text of a string value. Strings written as hex(1) or hex(2) (the expandable kind, taken as
  // stored, without expanding) are UTF-16 up to the first NUL and come back as UTF-8.
  std::optional<std::string> AsString() const;
};

// A key path without the backslashes at its ends.
std::string_view TrimRegistryDelims(std::string_view key);

class TRegistryStore {
 public:
  // The store's file: the user's configuration folder, then "Brantwick/Quillot.reg".
  static std::string DefaultPath();

  void Parse(std::string_view text);
  std::string Text() const;
  // Loads path. A missing file is an empty store and answers true; an unreadable one answers false.
  bool Load(const std::string& path);
  // Writes the whole store atomically, creating the folder; the old file stays whole on failure.
  bool Save(const std::string& path, std::string* error = nullptr) const;

  // key is the full path below the root, e.g. "Software\Brantwick\Quillot\Global".
  const TRegValue* Find(std::string_view key, std::string_view name) const;
  bool HasKey(std::string_view key) const { return FindKey(key) != nullptr; }
  void CreateKey(std::string_view key) { KeyFor(key); }
  void WriteDWord(std::string_view key, std::string_view name, uint32_t value);
  void WriteString(std::string_view key, std::string_view name, std::string_view value);

 private:
  struct TKey {
    std::string Path;
    std::vector<TRegValue> Values;
  };
  const TKey* FindKey(std::string_view key) const;
  TKey& KeyFor(std::string_view key);
  TRegValue& ValueFor(std::string_view key, std::string_view name);

  std::vector<TKey> keys_;  // in the order first seen; a handful of keys, so a scan is enough
};

}  // namespace quillot
