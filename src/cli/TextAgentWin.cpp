#include "cli/TextAgent.h"

namespace quillot::cli {

// Windows has no polkit and so no agent to start: a refused volume stays refused, and the message says
// how to get access.
TTextAgent::TTextAgent() = default;
TTextAgent::~TTextAgent() = default;

}  // namespace quillot::cli
