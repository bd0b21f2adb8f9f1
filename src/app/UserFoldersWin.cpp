#include "app/UserFolders.h"
#include "platform/ProgramFolder.h"
#include "platform/WideText.h"

#include <shlobj.h>
#include <windows.h>

namespace quillot {

namespace {
std::string KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr)
    folder = Utf8FromWide(path);
  CoTaskMemFree(path);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}
}  // namespace

std::string UserHomeFolder() { return KnownFolder(FOLDERID_Profile); }

// The roaming application data folder plays the part of the configuration folder.
std::string UserConfigFolder() { return KnownFolder(FOLDERID_RoamingAppData); }

std::string UserSettingsFolder() { return UserConfigFolder() + PathDelim + "Brantwick"; }

std::string SpecialFolderPath(int folder) {
  if (folder == CSIDL_PERSONAL) return KnownFolder(FOLDERID_Documents);
  return std::string();
}

}  // namespace quillot
