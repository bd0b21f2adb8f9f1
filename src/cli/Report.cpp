#include "cli/Report.h"

#include <cstdio>

#include "platform/AtomicFile.h"

namespace quillot::cli {

namespace {
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Tabs and line breaks would break a row apart.
std::string TsvField(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}
}  // namespace

std::string ReportText(const std::vector<TRecoveredFile>& files, bool json) {
  std::string out;
  if (json) {
    out = "[";
    for (size_t i = 0; i < files.size(); ++i) {
      const auto& f = files[i];
      out += i ? ",\n " : "\n ";
      out += "{\"name\": " + JsonString(f.Name) + ", \"format\": " + JsonString(f.Format) +
             ", \"first_sector\": " + std::to_string(f.FirstSector) + ", \"sectors\": " + std::to_string(f.Sectors) +
             ", \"bytes\": " + std::to_string(f.Bytes) + "}";
    }
    out += files.empty() ? "]\n" : "\n]\n";
    return out;
  }
  out = "name\tformat\tfirst_sector\tsectors\tbytes\n";
  for (const auto& f : files)
    out += TsvField(f.Name) + "\t" + TsvField(f.Format) + "\t" + std::to_string(f.FirstSector) + "\t" +
           std::to_string(f.Sectors) + "\t" + std::to_string(f.Bytes) + "\n";
  return out;
}

bool WriteReport(const std::string& path, const std::vector<TRecoveredFile>& files, std::string& error) {
  bool json = path.size() >= 5 && path.compare(path.size() - 5, 5, ".json") == 0;
  return WriteFileAtomically(path, ReportText(files, json), &error);
}

}  // namespace quillot::cli
