#include "app/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/ProgramFolder.h"
#include "util/Text.h"

namespace quillot {

namespace {
std::string WithoutTrailingDelims(std::string path) {
  while (!path.empty() && path.back() == PathDelim) path.pop_back();
  return path;
}

// The value of one user-dirs.dirs assignment: a double-quoted shell word that is either "$HOME" followed
// by a relative part, or an absolute path. Backslash escapes the next character. Nothing else counts.
std::optional<std::string> UserDirValue(std::string_view word, const std::string& home) {
  if (word.size() < 2 || word.front() != '"' || word.back() != '"') return std::nullopt;
  word = word.substr(1, word.size() - 2);
  std::string value;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '\\' && i + 1 < word.size()) {
      value += word[++i];
    } else if (word[i] == '"') {
      return std::nullopt;
    } else {
      value += word[i];
    }
  }
  if (value.rfind("$HOME", 0) == 0) {
    std::string rest = value.substr(5);
    if (!rest.empty() && rest.front() != PathDelim) return std::nullopt;
    return home + rest;
  }
  if (value.empty() || value.front() != PathDelim) return std::nullopt;
  return value;
}

std::string DocumentsFolder() {
  const std::string home = UserHomeFolder();
  std::string found;
  std::string text;
  if (ReadWholeFile(UserConfigFolder() + PathDelim + "user-dirs.dirs", text)) {
    for (std::string_view line : SplitLines(text)) {
      line = Trim(line);
      if (line.empty() || line.front() == '#') continue;
      constexpr std::string_view kName = "XDG_DOCUMENTS_DIR=";
      if (line.substr(0, kName.size()) != kName) continue;
      // As in the shell, a later assignment replaces an earlier one.
      if (auto v = UserDirValue(line.substr(kName.size()), home)) found = *v;
    }
  }
  if (found.empty()) found = home + PathDelim + "Documents";
  return WithoutTrailingDelims(found);
}
}  // namespace

std::string UserHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return WithoutTrailingDelims(home);
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return WithoutTrailingDelims(pw->pw_dir);
  return std::string();
}

std::string UserConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == PathDelim) return WithoutTrailingDelims(config);
  return UserHomeFolder() + PathDelim + ".config";
}

std::string UserSettingsFolder() { return UserConfigFolder() + PathDelim + "Brantwick"; }

std::string SpecialFolderPath(int folder) {
  if (folder == CSIDL_PERSONAL) return DocumentsFolder();
  return std::string();
}

}  // namespace quillot
