// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <string>
#include <string_view>

namespace quillot {

// Writes contents to a temporary file in the same folder, flushes it, then renames it over path.
// On failure the old file is untouched, the temporary file is removed, and error (if given) says why.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error = nullptr);

// Reads a whole file. Answers false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents);

}  // namespace quillot
