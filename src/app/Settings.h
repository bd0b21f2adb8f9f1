// The ten persistent settings: process-wide values, loaded before any window exists and
// written back when the program ends. They live in the registry store (app/RegistryStore.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillot {

extern int32_t GlobalLastTip;
extern bool GlobalFirstStart;
extern std::string GlobalLanguage;

extern std::string RecoveryTargetFolder;
extern std::string RecoveryFilenamePrefix;
extern int32_t RecoveryRetryCount;
extern int32_t RecoverySectorsToRead;
extern bool RecoveryAdvancedMode;
// The wizard ends each file where its recording ends (the command line trims with --trim only).
extern bool RecoveryTrimFiles;
// While trimming, the wizard also puts recordings stored in pieces back together (the command line
// with --reassemble only).
extern bool RecoveryReassemble;

// Where the settings live below the registry root, and their two subkeys.
inline constexpr std::string_view kRegistryBasePath = "\\Software\\Brantwick\\Quillot";
inline constexpr std::string_view kGlobalSubkey = "\\Global";
inline constexpr std::string_view kRecoverySubkey = "\\Recovery";

// The registry store's file (see TRegistryStore::DefaultPath).
std::string SettingsStorePath();

// Each reads one value of the subkey below the base path from the store file and answers it, or def
// when the value is missing, of another type, or the store cannot be read. Never reports an error.
// A number reads as an integer; any non-zero number is true; a string is taken as stored.
int32_t ReadRegInteger(std::string_view subkey, std::string_view name, int32_t def);
bool ReadRegBool(std::string_view subkey, std::string_view name, bool def);
std::string ReadRegString(std::string_view subkey, std::string_view name, std::string_view def);

// The documents folder followed by "Recovered Audio Files".
std::string DefaultRecoveryTargetFolder();

// Fills the ten settings from the store (defaults where needed). Never fails.
void LoadSettings();
// Writes all ten settings into the store, keeping every other value in it, and replaces the file
// atomically. On failure the stored file stays as it was, the user is told once, and false comes back.
bool SaveSettings();

}  // namespace quillot
