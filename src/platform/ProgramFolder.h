#pragma once

#include <string>

namespace quillot {

// The folder of the running program, resolved through symbolic links, ending in the path delimiter.
// The formats file, the language files and the help file lie there.
const std::string& ProgramFolder();

// Lets tests and tools point the program folder elsewhere (an empty text restores the real one).
void SetProgramFolderForTesting(const std::string& folder);

// The platform's path delimiter, used wherever a path is joined.
inline constexpr char PathDelim = '/';

}  // namespace quillot
