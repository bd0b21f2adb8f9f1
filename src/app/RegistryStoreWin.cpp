// The Windows store is the current user's registry itself: Load reads the keys below the store's key,
// Save writes the values back. The text form of the Linux file (Parse, Text) has no part here.
#include "app/RegistryStore.h"

#include <windows.h>

#include <cstring>

#include "app/Settings.h"
#include "platform/WideText.h"
#include "util/Text.h"

namespace quillot {

namespace {

// The key path below the root that a store path names ("HKEY_CURRENT_USER\Software\..."); empty when it
// names another root.
std::string KeyOfStorePath(std::string_view path) {
  if (path.size() < kRegistryRoot.size() || !EqualsNoCase(path.substr(0, kRegistryRoot.size()), kRegistryRoot))
    return {};
  return std::string(TrimRegistryDelims(path.substr(kRegistryRoot.size())));
}

// Every value of the open key at path, then its subkeys in turn. Values neither text nor number read as
// missing, as a value of another type does in the text store; Save leaves them as they stand.
bool ReadKey(HKEY key, const std::string& path, TRegistryStore& store) {
  store.CreateKey(path);
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = 0;
    LONG status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return false;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    nameLength = 16384;
    status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (status != ERROR_SUCCESS) return false;
    const std::string valueName = Utf8FromWide(std::wstring_view(name, nameLength));
    if (type == REG_DWORD && got == sizeof(DWORD)) {
      DWORD number = 0;
      std::memcpy(&number, data.data(), sizeof number);
      store.WriteDWord(path, valueName, number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      // Taken as stored, up to the first NUL, as the text store takes its strings.
      data.resize(got / sizeof(wchar_t));
      if (const size_t nul = data.find(L'\0'); nul != std::wstring::npos) data.resize(nul);
      store.WriteString(path, valueName, Utf8FromWide(data));
    }
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    const LONG status = RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return false;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) return false;
    const bool read = ReadKey(sub, path + "\\" + Utf8FromWide(std::wstring_view(name, nameLength)), store);
    RegCloseKey(sub);
    if (!read) return false;
  }
  return true;
}
}  // namespace

std::string TRegistryStore::DefaultPath() {
  return std::string(kRegistryRoot) + "\\" + std::string(TrimRegistryDelims(kRegistryBasePath));
}

bool TRegistryStore::Load(const std::string& path) {
  keys_.clear();
  const std::string key = KeyOfStorePath(path);
  if (key.empty()) return false;
  HKEY open = nullptr;
  const LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(key).c_str(), 0, KEY_READ, &open);
  if (status == ERROR_FILE_NOT_FOUND) return true;  // nothing stored yet
  if (status != ERROR_SUCCESS) return false;
  const bool read = ReadKey(open, key, *this);
  RegCloseKey(open);
  if (!read) keys_.clear();
  return read;
}

// Value by value, each written whole by the system; values the store does not hold are left alone.
bool TRegistryStore::Save(const std::string& path, std::string* error) const {
  if (KeyOfStorePath(path).empty()) {
    if (error) *error = "not a key of " + std::string(kRegistryRoot);
    return false;
  }
  for (const TKey& k : keys_) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, WideFromUtf8(k.Path).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    for (size_t i = 0; status == ERROR_SUCCESS && i < k.Values.size(); ++i) {
      const TRegValue& v = k.Values[i];
      const std::wstring name = WideFromUtf8(v.Name);
      if (v.Type == TRegValue::TType::DWord) {
        const DWORD number = v.Number;
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
      } else if (v.Type == TRegValue::TType::String) {
        const std::wstring text = WideFromUtf8(v.Text);
        status = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      }
    }
    if (key != nullptr) RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
      if (error) *error = std::string(kRegistryRoot) + "\\" + k.Path + ": " + WindowsErrorText(status);
      return false;
    }
  }
  return true;
}

}  // namespace quillot
