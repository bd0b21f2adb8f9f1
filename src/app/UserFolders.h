// Per-user folders: home, configuration and the shell's special folders.
#pragma once

#include <string>

namespace quillot {

// The shell's number for the current user's personal documents folder.
inline constexpr int CSIDL_PERSONAL = 5;

// The user's home folder: $HOME, else the password database's entry; no trailing delimiter.
std::string UserHomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else the home folder followed by "/.config".
std::string UserConfigFolder();

// The program's own folder inside the configuration folder ("Brantwick"): the settings, and in an
// installed copy the user's catalogue and language files; no trailing delimiter.
std::string UserSettingsFolder();

// The path of a shell special folder, without a trailing delimiter; empty for a folder this platform
// does not have. CSIDL_PERSONAL follows the XDG user-dirs rules: XDG_DOCUMENTS_DIR from
// user-dirs.dirs in the configuration folder, else "Documents" in the home folder.
std::string SpecialFolderPath(int folder);

}  // namespace quillot
