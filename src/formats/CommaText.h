// The comma text of formats_list: titles joined by commas, quoted where they need it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillot {

std::vector<std::string> SplitCommaText(std::string_view text);
std::string JoinCommaText(const std::vector<std::string>& entries);

}  // namespace quillot
