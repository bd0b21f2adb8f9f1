#include "app/Settings.h"

#include "app/RegistryStore.h"
#include "app/UserFolders.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

namespace quillot {

int32_t GlobalLastTip = 0;
bool GlobalFirstStart = true;
std::string GlobalLanguage;

std::string RecoveryTargetFolder;
std::string RecoveryFilenamePrefix = "file";
int32_t RecoveryRetryCount = 1;
int32_t RecoverySectorsToRead = 5000;
bool RecoveryAdvancedMode = false;
bool RecoveryTrimFiles = false;
bool RecoveryReassemble = false;

namespace {
std::string KeyPath(std::string_view subkey) { return std::string(kRegistryBasePath) + std::string(subkey); }

// The stored value, or nullptr when it is missing or the store cannot be read.
const TRegValue* Lookup(TRegistryStore& store, std::string_view subkey, std::string_view name) {
  if (!store.Load(SettingsStorePath())) return nullptr;
  return store.Find(KeyPath(subkey), name);
}

int32_t ReadInteger(const TRegistryStore& store, std::string_view subkey, std::string_view name, int32_t def) {
  const TRegValue* v = store.Find(KeyPath(subkey), name);
  return v && v->Type == TRegValue::TType::DWord ? static_cast<int32_t>(v->Number) : def;
}

bool ReadBool(const TRegistryStore& store, std::string_view subkey, std::string_view name, bool def) {
  const TRegValue* v = store.Find(KeyPath(subkey), name);
  return v && v->Type == TRegValue::TType::DWord ? v->Number != 0 : def;
}

std::string ReadString(const TRegistryStore& store, std::string_view subkey, std::string_view name,
                       std::string_view def) {
  const TRegValue* v = store.Find(KeyPath(subkey), name);
  std::optional<std::string> text = v ? v->AsString() : std::nullopt;
  return text ? *text : std::string(def);
}
}  // namespace

std::string SettingsStorePath() { return TRegistryStore::DefaultPath(); }

int32_t ReadRegInteger(std::string_view subkey, std::string_view name, int32_t def) {
  TRegistryStore store;
  return Lookup(store, subkey, name) ? ReadInteger(store, subkey, name, def) : def;
}

bool ReadRegBool(std::string_view subkey, std::string_view name, bool def) {
  TRegistryStore store;
  return Lookup(store, subkey, name) ? ReadBool(store, subkey, name, def) : def;
}

std::string ReadRegString(std::string_view subkey, std::string_view name, std::string_view def) {
  TRegistryStore store;
  return Lookup(store, subkey, name) ? ReadString(store, subkey, name, def) : std::string(def);
}

std::string DefaultRecoveryTargetFolder() {
  return SpecialFolderPath(CSIDL_PERSONAL) + PathDelim + "Recovered Audio Files";
}

void LoadSettings() {
  // One reading of the file serves all ten values; an unreadable store reads as an empty one.
  TRegistryStore store;
  store.Load(SettingsStorePath());
  GlobalLastTip = ReadInteger(store, kGlobalSubkey, "GlobalLastTip", 0);
  GlobalFirstStart = ReadBool(store, kGlobalSubkey, "GlobalFirstStart", true);
  GlobalLanguage = ReadString(store, kGlobalSubkey, "GlobalLanguage", "");
  const std::string defaultTarget = DefaultRecoveryTargetFolder();
  RecoveryTargetFolder = ReadString(store, kRecoverySubkey, "RecoveryTargetFolder", defaultTarget);
  RecoveryFilenamePrefix = ReadString(store, kRecoverySubkey, "RecoveryFilenamePrefix", "file");
  RecoveryRetryCount = ReadInteger(store, kRecoverySubkey, "RecoveryRetryCount", 1);
  RecoverySectorsToRead = ReadInteger(store, kRecoverySubkey, "RecoverySectorsToRead", 5000);
  RecoveryAdvancedMode = ReadBool(store, kRecoverySubkey, "RecoveryAdvancedMode", false);
  RecoveryTrimFiles = ReadBool(store, kRecoverySubkey, "RecoveryTrimFiles", false);
  RecoveryReassemble = ReadBool(store, kRecoverySubkey, "RecoveryReassemble", false);
}

bool SaveSettings() {
  const std::string path = SettingsStorePath();
  std::string error;
  TRegistryStore store;
  // Values that are not ours are kept; a store that exists but cannot be read is not overwritten,
  // since that would throw away whatever else it holds.
  bool saved = false;
  if (!store.Load(path)) {
    error = "the existing file cannot be read";
  } else {
    const std::string global = KeyPath(kGlobalSubkey);
    store.CreateKey(global);
    store.WriteDWord(global, "GlobalLastTip", static_cast<uint32_t>(GlobalLastTip));
    store.WriteDWord(global, "GlobalFirstStart", GlobalFirstStart ? 1 : 0);
    store.WriteString(global, "GlobalLanguage", GlobalLanguage);
    const std::string recovery = KeyPath(kRecoverySubkey);
    store.CreateKey(recovery);
    store.WriteString(recovery, "RecoveryTargetFolder", RecoveryTargetFolder);
    store.WriteString(recovery, "RecoveryFilenamePrefix", RecoveryFilenamePrefix);
    store.WriteDWord(recovery, "RecoveryRetryCount", static_cast<uint32_t>(RecoveryRetryCount));
    store.WriteDWord(recovery, "RecoverySectorsToRead", static_cast<uint32_t>(RecoverySectorsToRead));
    store.WriteDWord(recovery, "RecoveryAdvancedMode", RecoveryAdvancedMode ? 1 : 0);
    store.WriteDWord(recovery, "RecoveryTrimFiles", RecoveryTrimFiles ? 1 : 0);
    store.WriteDWord(recovery, "RecoveryReassemble", RecoveryReassemble ? 1 : 0);
    saved = store.Save(path, &error);
  }
  if (!saved)
    Dialogs().Show(Tr(strSettingsNotSaved, {path, error}), "Quillot", TDialogButtons::Ok, TDialogIcon::Warning);
  return saved;
}

}  // namespace quillot
