// What the Progress page says about a chosen drive that cannot be read.
#pragma once

#include <string>

namespace quillot {

// Lack of rights gets its own advice: run with privileges, or join group (the group that may read the
// device, when known), or image the card first; any other failure shows the system's reason. Empty when
// there is nothing to say.
std::string DriveProblemText(const std::string& path, bool permissionDenied, const std::string& openError,
                             const std::string& group = {});

// Asks the drive table about letter: whether its device or image can be opened, and why not.
std::string DriveProblemOf(char letter);

// The drive at letter cannot be opened for lack of rights, but the system may open it for us when the user
// agrees: a pass started on it asks (inside a TAccessRequestScope).
bool DriveAccessMayBeAsked(char letter);

// The device or image behind letter, as the user knows it; empty when there is none.
std::string DrivePathOf(char letter);

}  // namespace quillot
