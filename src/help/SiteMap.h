// The contents file of a help book (.hhc): nested lists of entries, each an OBJECT of type
// "text/sitemap" with a Name and a Local page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillot {

struct THelpContentsItem {
  std::string Name;
  std::string Local;  // the page as written, relative to the book's root, possibly with "#anchor"
  std::vector<THelpContentsItem> Children;
};

// Reads the entries; tags it does not know are skipped, so a damaged file gives what it could read.
std::vector<THelpContentsItem> ParseSiteMap(std::string_view text);

}  // namespace quillot
