#include "cli/Console.h"

namespace quillot::cli {

void PrepareConsole() {}

}  // namespace quillot::cli
