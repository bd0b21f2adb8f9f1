// Where the running program's file lies.
#pragma once

#include <string>

namespace quillot {

// The full path of the running program's file, links resolved; empty when the system cannot say.
std::string RunningProgramPath();

}  // namespace quillot
