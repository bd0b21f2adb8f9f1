// quillot-cli settings: the version line and the ten settings as this run loaded them.
#include <cstdio>
#include <string>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "cli/Commands.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"

namespace quillot::cli {

namespace {
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
const char* YesNo(bool b) { return b ? "true" : "false"; }

int RunSettings(const TArgs& args) {
  if (!args.empty()) return UsageError("settings", "unexpected argument '" + args[0] + "'");
  std::printf("%s %s (%s: %s)\n", ProductName.c_str(), ProductVersion.c_str(), Tr(strBuild).c_str(),
              BuildNumber.c_str());
  std::printf("Settings store: %s\n", SettingsStorePath().c_str());
  if (GlobalLanguage.empty())
    std::printf("Language: English (Default)\n");
  else
    std::printf("Language: %s (%s)\n", GlobalLanguage.c_str(),
                LanguageFile ? "loaded" : "not found in the program folder; built-in texts");
  std::printf("\n[Global]\n");
  std::printf("  %-24s %d\n", "GlobalLastTip", GlobalLastTip);
  std::printf("  %-24s %s\n", "GlobalFirstStart", YesNo(GlobalFirstStart));
  std::printf("  %-24s %s\n", "GlobalLanguage", Quoted(GlobalLanguage).c_str());
  std::printf("[Recovery]\n");
  std::printf("  %-24s %s\n", "RecoveryTargetFolder", Quoted(RecoveryTargetFolder).c_str());
  std::printf("  %-24s %s\n", "RecoveryFilenamePrefix", Quoted(RecoveryFilenamePrefix).c_str());
  std::printf("  %-24s %d\n", "RecoveryRetryCount", RecoveryRetryCount);
  std::printf("  %-24s %d\n", "RecoverySectorsToRead", RecoverySectorsToRead);
  std::printf("  %-24s %s\n", "RecoveryAdvancedMode", YesNo(RecoveryAdvancedMode));
  std::printf("  %-24s %s\n", "RecoveryTrimFiles", YesNo(RecoveryTrimFiles));
  std::printf("  %-24s %s\n", "RecoveryReassemble", YesNo(RecoveryReassemble));
  return kExitOk;
}

const TCommandRegistration registration({"settings", "", "show the version and the stored settings", RunSettings});
}  // namespace

}  // namespace quillot::cli
