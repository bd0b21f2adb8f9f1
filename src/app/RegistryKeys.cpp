// The keys and values a registry store holds in memory, the same whether they come from the text file
// (Linux) or from the registry itself (Windows).
#include "app/RegistryStore.h"
#include "util/Text.h"

namespace quillot {

std::string_view TrimRegistryDelims(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

const TRegistryStore::TKey* TRegistryStore::FindKey(std::string_view key) const {
  key = TrimRegistryDelims(key);
  for (const TKey& k : keys_)
    if (EqualsNoCase(k.Path, key)) return &k;
  return nullptr;
}

TRegistryStore::TKey& TRegistryStore::KeyFor(std::string_view key) {
  if (const TKey* k = FindKey(key)) return const_cast<TKey&>(*k);
  keys_.push_back({std::string(TrimRegistryDelims(key)), {}});
  return keys_.back();
}

TRegValue& TRegistryStore::ValueFor(std::string_view key, std::string_view name) {
  TKey& k = KeyFor(key);
  for (TRegValue& v : k.Values)
    if (EqualsNoCase(v.Name, name)) return v;
  k.Values.push_back({});
  k.Values.back().Name = std::string(name);
  return k.Values.back();
}

const TRegValue* TRegistryStore::Find(std::string_view key, std::string_view name) const {
  const TKey* k = FindKey(key);
  if (!k) return nullptr;
  for (const TRegValue& v : k->Values)
    if (EqualsNoCase(v.Name, name)) return &v;
  return nullptr;
}

void TRegistryStore::WriteDWord(std::string_view key, std::string_view name, uint32_t value) {
  TRegValue& v = ValueFor(key, name);
  v.Type = TRegValue::TType::DWord;
  v.Number = value;
  v.Text.clear();
  v.Raw.clear();
}

void TRegistryStore::WriteString(std::string_view key, std::string_view name, std::string_view value) {
  TRegValue& v = ValueFor(key, name);
  v.Type = TRegValue::TType::String;
  v.Text = std::string(value);
  v.Number = 0;
  v.Raw.clear();
}

}  // namespace quillot
