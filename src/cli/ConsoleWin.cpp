#include <windows.h>

#include "cli/Console.h"

namespace quillot::cli {

void PrepareConsole() {
  // Fails harmlessly when the output is a pipe or a file, which take the bytes as they are.
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace quillot::cli
