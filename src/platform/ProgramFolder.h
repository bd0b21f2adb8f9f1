#pragma once

#include <string>

namespace quillot {

// The folder of the running program, resolved through symbolic links, ending in the path delimiter.
const std::string& ProgramFolder();

// The folder the catalogue, the language files and the help book are read from, ending in the path
// delimiter: the program folder when the catalogue lies there (a build folder), else ../share/quillot
// beside it when that folder exists (an installed copy), else the program folder again, so a missing
// catalogue is reported where a build would have put it.
std::string DataFolder();

// Lets tests and tools point the program folder elsewhere (an empty text restores the real one).
void SetProgramFolderForTesting(const std::string& folder);

// The platform's path delimiter, used wherever a path is joined, and the delimiters a path may hold.
#ifdef _WIN32
inline constexpr char PathDelim = '\\';
inline constexpr const char* kPathDelims = "\\/";
#else
inline constexpr char PathDelim = '/';
inline constexpr const char* kPathDelims = "/";
#endif

}  // namespace quillot
