#include "help/HelpKeywords.h"

#include <utility>

namespace quillot {

namespace {

// A page's own topic wins over its window's simply by standing nearer the control.
const std::pair<const char*, const char*> kTopics[] = {
    {"MainForm", "/files/contents.html"},
    {"AboutForm", "/files/about.html"},
    {"AdvancedParamsForm", "/files/params.html"},
    {"DriveTabSheet", "/files/params.driveaccess.html"},
    {"AdvancedTabSheet", "/files/params.advanced.html"},
    {"LanguageTabSheet", "/files/params.language.html"},
    {"FormatPropForm", "/files/params.advanced.html"},
    {"LanguageSelectForm", "/files/contents.html"},
    {"ReviewWindow", "/files/review.html"},
};

}  // namespace

std::string HelpKeywordOf(const std::string& componentName) {
  for (const auto& [name, topic] : kTopics) {
    if (componentName == name) return topic;
  }
  return {};
}

std::string NearestHelpKeyword(const std::vector<std::string>& namesOutward) {
  for (const auto& name : namesOutward) {
    std::string topic = HelpKeywordOf(name);
    if (!topic.empty()) return topic;
  }
  return {};
}

}  // namespace quillot
