// The settings store on any bytes: what a read keeps survives a save and a second read unchanged, and
// the ten settings read from it come back the same after the program writes them back.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "FuzzTempDir.h"
#include "app/RegistryStore.h"
#include "app/Settings.h"

using namespace quillot;

namespace {
struct TTenSettings {
  int32_t lastTip;
  bool firstStart;
  std::string language, folder, prefix;
  int32_t retries, sectors;
  bool expert, trim, reassemble;
  bool operator==(const TTenSettings&) const = default;
};

TTenSettings Current() {
  return {GlobalLastTip,      GlobalFirstStart,      GlobalLanguage,       RecoveryTargetFolder, RecoveryFilenamePrefix,
          RecoveryRetryCount, RecoverySectorsToRead, RecoveryAdvancedMode, RecoveryTrimFiles,    RecoveryReassemble};
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TRegistryStore store;
  store.Parse(text);
  const std::string once = store.Text();
  TRegistryStore again;
  again.Parse(once);
  FUZZ_CHECK(again.Text() == once, "a saved store reads back as it was saved");

  // The store file lives below XDG_CONFIG_HOME; point that at the scratch folder.
  static const bool configured = setenv("XDG_CONFIG_HOME", fuzz::ScratchFolder().c_str(), 1) == 0;
  FUZZ_CHECK(configured, "XDG_CONFIG_HOME set");
  const std::string path = SettingsStorePath();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  LoadSettings();
  const TTenSettings loaded = Current();
  FUZZ_CHECK(SaveSettings(), "the settings are saved");
  LoadSettings();
  FUZZ_CHECK(Current() == loaded, "the ten settings survive a save");
  return 0;
}
