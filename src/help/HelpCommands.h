// The commands and answers of the help engine, with the numbers the HTML Help engine publishes.
#pragma once

#include <cstdint>

namespace quillot {

// A help window as the engine answers it: the window's identity, 0 when nothing was shown, -1 when the
// engine itself is missing.
using THelpHandle = std::intptr_t;

inline constexpr unsigned HH_DISPLAY_TOPIC = 0;
inline constexpr unsigned HH_DISPLAY_TOC = 1;
inline constexpr unsigned HH_CLOSE_ALL = 18;

inline constexpr THelpHandle kHelpEngineMissing = -1;

}  // namespace quillot
