#include "startup/Lifecycle.h"

#include <csignal>
#include <memory>

#include "app/Settings.h"
#include "app/UserFolders.h"
#include "app/VersionInfo.h"
#include "drive/IORoutines.h"
#include "formats/FileTypes.h"
#include "help/HelpInterface.h"
#include "i18n/Language.h"
#include "streams/StartCheck.h"
#include "streams/StreamUnit.h"

namespace quillot {

void TLifecycle::Start() {
  if (started_) return;
  started_ = true;
  // A write past the file-size limit must fail like one to a full disk, with the program's own message
  // and its open files closed, not kill the process midway.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  ReadVersionInfo();
  DriveAccessInit();
  LoadSettings();
  SetUserLanguageFolderSource(UserSettingsFolder);
  // Loaded here already so that every message, the command line's too, is in the chosen language;
  // a missing file leaves the built-in texts and the setting as it is.
  if (!GlobalLanguage.empty()) LanguageFile = LoadLanguageFile(GlobalLanguage);
  // The catalogue cannot ask the units, a layer above it, which names are theirs; it is told here.
  SetUnitNames({[](std::string_view name) { return MakeStreamUnit(name) != nullptr; }, ConfirmsStarts});
  DataStorage = std::make_unique<TDataStorage>();
  DataStorage->LoadFormats();
  // Only the viewer: the help engine itself is loaded at the first help request.
  RegisterHelpViewer();
}

void TLifecycle::Stop() {
  if (!started_) return;
  started_ = false;
  ReleaseHelpViewer();
  if (DataStorage && DataStorage->Modified) DataStorage->SaveFormats();
  DataStorage.reset();
  SaveSettings();
  DriveAccessDone();
}

}  // namespace quillot
