#include "help/SiteMap.h"

#include <cctype>

#include "util/Text.h"

namespace quillot {

namespace {

struct TTag {
  std::string Name;  // lower case, with a leading '/' for a closing tag
  std::string Body;  // the text after the name, up to '>'
};

// The next tag at or after pos; false at the end of the text.
bool NextTag(std::string_view text, size_t& pos, TTag& tag) {
  const size_t open = text.find('<', pos);
  if (open == std::string_view::npos) return false;
  size_t close = open + 1;
  char quote = 0;
  for (; close < text.size(); ++close) {
    const char c = text[close];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  const std::string_view inner = text.substr(open + 1, close - open - 1);
  pos = close < text.size() ? close + 1 : text.size();
  size_t n = 0;
  while (n < inner.size() && !std::isspace(static_cast<unsigned char>(inner[n]))) ++n;
  tag.Name.clear();
  for (char c : inner.substr(0, n)) tag.Name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  tag.Body = std::string(inner.substr(n));
  return true;
}

std::string DecodeEntities(const std::string& s) {
  std::string out = ReplaceAll(s, "&lt;", "<");
  out = ReplaceAll(out, "&gt;", ">");
  out = ReplaceAll(out, "&quot;", "\"");
  out = ReplaceAll(out, "&#39;", "'");
  return ReplaceAll(out, "&amp;", "&");
}

// The value of attribute name in a tag's body, or "" when it has none.
std::string Attribute(const std::string& body, std::string_view name) {
  size_t i = 0;
  while (i < body.size()) {
    while (i < body.size() && (std::isspace(static_cast<unsigned char>(body[i])) || body[i] == '/')) ++i;
    const size_t keyStart = i;
    while (i < body.size() && body[i] != '=' && !std::isspace(static_cast<unsigned char>(body[i]))) ++i;
    const std::string key = body.substr(keyStart, i - keyStart);
    while (i < body.size() && std::isspace(static_cast<unsigned char>(body[i]))) ++i;
    std::string value;
    if (i < body.size() && body[i] == '=') {
      ++i;
      while (i < body.size() && std::isspace(static_cast<unsigned char>(body[i]))) ++i;
      if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
        const char q = body[i++];
        const size_t end = body.find(q, i);
        value = body.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? body.size() : end + 1;
      } else {
        const size_t start = i;
        while (i < body.size() && !std::isspace(static_cast<unsigned char>(body[i]))) ++i;
        value = body.substr(start, i - start);
      }
    }
    if (key.empty()) {
      if (i < body.size()) ++i;
      continue;
    }
    if (EqualsNoCase(key, name)) return DecodeEntities(value);
  }
  return {};
}

}  // namespace

std::vector<THelpContentsItem> ParseSiteMap(std::string_view text) {
  std::vector<THelpContentsItem> root;
  // The lists open at this point, the root below them all; an entry goes into the innermost one.
  std::vector<std::vector<THelpContentsItem>*> lists{&root};
  bool inEntry = false;
  THelpContentsItem entry;
  size_t pos = 0;
  TTag tag;
  while (NextTag(text, pos, tag)) {
    if (tag.Name == "ul") {
      // The outermost list is the root; a nested one holds the children of the entry before it, and
      // one with no entry before it merges into its parent.
      std::vector<THelpContentsItem>* current = lists.back();
      lists.push_back(lists.size() == 1 || current->empty() ? current : &current->back().Children);
    } else if (tag.Name == "/ul") {
      if (lists.size() > 1) lists.pop_back();
    } else if (tag.Name == "object") {
      inEntry = EqualsNoCase(Attribute(tag.Body, "type"), "text/sitemap");
      entry = {};
    } else if (tag.Name == "param" && inEntry) {
      const std::string name = Attribute(tag.Body, "name");
      if (EqualsNoCase(name, "Name") && entry.Name.empty()) entry.Name = Attribute(tag.Body, "value");
      if (EqualsNoCase(name, "Local") && entry.Local.empty()) entry.Local = Attribute(tag.Body, "value");
    } else if (tag.Name == "/object" && inEntry) {
      inEntry = false;
      if (!entry.Name.empty() || !entry.Local.empty()) lists.back()->push_back(std::move(entry));
      entry = {};
    }
  }
  return root;
}

}  // namespace quillot
