// Reading and writing the catalogue through the formats file.
#include <string>
#include <unistd.h>

#include "formats/CommaText.h"
#include "formats/FileTypes.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr const char* kOptions = "options";
constexpr const char* kFormatsList = "formats_list";

// In the file every line break of the rules is written as "%$"; a lone CR or LF counts as one too,
// so the rules can never end the line they are stored on.
std::string EncodeScanBytes(std::string_view rules) {
  std::string out;
  out.reserve(rules.size());
  for (size_t i = 0; i < rules.size(); ++i) {
    char c = rules[i];
    if (c == '\r' || c == '\n') {
      out += "%$";
      if (c == '\r' && i + 1 < rules.size() && rules[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

void ReadInt(const TProfileFile& ini, const std::string& section, const char* key, int32_t& field) {
  if (auto v = ini.Read(section, key)) field = StrToIntDef(*v, field);
}

void ReadText(const TProfileFile& ini, const std::string& section, const char* key, std::string& field) {
  if (auto v = ini.Read(section, key)) field = *v;
}
}  // namespace

void TDataStorage::LoadFormats(const std::string& path) {
  TProfileFile ini;
  ini.Load(path);
  for (const std::string& entry : SplitCommaText(ini.ReadString(kOptions, kFormatsList, ""))) {
    if (entry == kOptions || Trim(entry) == ";") continue;
    auto format = std::make_unique<TFormat>();
    format->Title = entry;
    ReadText(ini, entry, "Category", format->Category);
    ReadInt(ini, entry, "Order", format->Order);
    ReadText(ini, entry, "FileExtension", format->FileExtension);
    ReadText(ini, entry, "TypeDescription", format->TypeDescription);
    ReadText(ini, entry, "FilePrefix", format->FilePrefix);
    int32_t search = format->Search ? 1 : 0;
    ReadInt(ini, entry, "Search", search);
    format->Search = search != 0;
    ReadText(ini, entry, "ScanBytes", format->ScanBytes);
    format->ScanBytes = ReplaceAll(format->ScanBytes, "%$", "\r\n");
    ReadText(ini, entry, "Stream", format->Stream);
    ReadText(ini, entry, "Check", format->Check);
    Formats.Add(std::move(format));
  }
}

bool TDataStorage::SaveFormats(const std::string& path) {
  if (!Modified) return true;
  // The whole file is rebuilt in memory and replaced in one step: a failure leaves the old file intact.
  TProfileFile ini;
  if (!ini.Load(path) && access(path.c_str(), F_OK) == 0) {
    // The file is there but cannot be read: rewriting it would drop everything it holds.
    Dialogs().Show("Unable to write to " + path, "Error", TDialogButtons::Ok, TDialogIcon::Error);
    return false;
  }
  std::vector<std::string> titles;
  for (const auto& f : Formats) titles.push_back(f->Title);
  ini.Write(kOptions, kFormatsList, JoinCommaText(titles));
  for (const auto& f : Formats) {
    ini.Write(f->Title, "Category", f->Category);
    ini.Write(f->Title, "Order", std::to_string(f->Order));
    ini.Write(f->Title, "FileExtension", f->FileExtension);
    ini.Write(f->Title, "TypeDescription", f->TypeDescription);
    ini.Write(f->Title, "FilePrefix", f->FilePrefix);
    ini.Write(f->Title, "Search", f->Search ? "1" : "0");
    ini.Write(f->Title, "ScanBytes", EncodeScanBytes(f->ScanBytes));
    // Only where a format has a unit, so a catalogue without units is written as before.
    if (!f->Stream.empty()) ini.Write(f->Title, "Stream", f->Stream);
    if (!f->Check.empty()) ini.Write(f->Title, "Check", f->Check);
  }
  std::string error;
  if (ini.Save(path, &error)) return true;
  Dialogs().Show("Unable to write to " + path + " (" + error + ")", "Error", TDialogButtons::Ok, TDialogIcon::Error);
  return false;
}

}  // namespace quillot
