// Which help topic each window and page names, by component name, and the topic of a control: that of
// its nearest page or window that names one.
#pragma once

#include <string>
#include <vector>

namespace quillot {

// The topic path a window or page names ("/files/params.html"), or "" when it names none.
std::string HelpKeywordOf(const std::string& componentName);

// The topic for a control, given the component names from the control itself outward to its window;
// "" when none of them names a topic.
std::string NearestHelpKeyword(const std::vector<std::string>& namesOutward);

}  // namespace quillot
