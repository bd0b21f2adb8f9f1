// Reading and writing the catalogue through the formats file.
#include <filesystem>
#include <string>
#include <utility>

#include "formats/CommaText.h"
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"
#include "platform/Utf8Path.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr const char* kOptions = "options";
constexpr const char* kFormatsList = "formats_list";
// In the user's file: the shipped titles it has seen, so that one missing from its list reads as
// deleted by the user rather than new in the shipped file.
constexpr const char* kShippedFormats = "shipped_formats";

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

// The titles of formats_list, without the entries that are no format.
std::vector<std::string> ListedTitles(const TProfileFile& ini) {
  std::vector<std::string> titles;
  for (std::string& entry : SplitCommaText(ini.ReadString(kOptions, kFormatsList, ""))) {
    if (entry == kOptions || Trim(entry) == ";") continue;
    titles.push_back(std::move(entry));
  }
  return titles;
}

// Section names are compared without regard to case, so titles are too.
bool Contains(const std::vector<std::string>& titles, std::string_view title) {
  for (const std::string& t : titles)
    if (EqualsNoCase(t, title)) return true;
  return false;
}

// The keys the section holds replace the format's values; the others stay as they are.
void ReadFormatKeys(const TProfileFile& ini, const std::string& section, TFormat& format) {
  ReadText(ini, section, "Category", format.Category);
  ReadInt(ini, section, "Order", format.Order);
  ReadText(ini, section, "FileExtension", format.FileExtension);
  ReadText(ini, section, "TypeDescription", format.TypeDescription);
  ReadText(ini, section, "FilePrefix", format.FilePrefix);
  int32_t search = format.Search ? 1 : 0;
  ReadInt(ini, section, "Search", search);
  format.Search = search != 0;
  if (auto v = ini.Read(section, "ScanBytes")) format.ScanBytes = ReplaceAll(*v, "%$", "\r\n");
  ReadText(ini, section, "Stream", format.Stream);
  ReadText(ini, section, "Check", format.Check);
}

std::unique_ptr<TFormat> ReadFormat(const TProfileFile& ini, const std::string& title) {
  auto format = std::make_unique<TFormat>();
  format->Title = title;
  ReadFormatKeys(ini, title, *format);
  return format;
}

void WriteCatalogue(TProfileFile& ini, const TFormatsList& formats) {
  std::vector<std::string> titles;
  for (const auto& f : formats) titles.push_back(f->Title);
  ini.Write(kOptions, kFormatsList, JoinCommaText(titles));
  for (const auto& f : formats) {
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
}

TUnitNames gUnitNames;

// One message for every format whose Stream= or Check= no unit answers to. Only the text is wrong, so the
// format stays: the engine finds no unit of that name (MakeStreamUnit) and makes no check (CheckStart).
void SayUnknownUnits(const TFormatsList& formats, const std::string& source) {
  if (!gUnitNames.IsStreamUnit || !gUnitNames.ConfirmsStarts) return;
  std::string named;
  auto name = [&named](const TFormat& f, const char* key, const std::string& unit) {
    if (!named.empty()) named += "; ";
    named += "\"" + f.Title + "\": " + key + "=" + unit;
  };
  for (const auto& f : formats) {
    if (!f->Stream.empty() && !gUnitNames.IsStreamUnit(f->Stream)) name(*f, "Stream", f->Stream);
    if (!f->Check.empty() && !gUnitNames.ConfirmsStarts(f->Check)) name(*f, "Check", f->Check);
  }
  if (named.empty()) return;
  Dialogs().Show(Tr(strCatalogueUnknownUnits, {source, named}), "Quillot", TDialogButtons::Ok, TDialogIcon::Warning);
}

// The name itself, a dangling link too.
bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(PathOfUtf8(path), ec));
}

bool SaveOrSay(const TProfileFile& ini, const std::string& path) {
  std::string error;
  if (ini.Save(path, &error)) return true;
  Dialogs().Show("Unable to write to " + path + " (" + error + ")", "Error", TDialogButtons::Ok, TDialogIcon::Error);
  return false;
}
}  // namespace

TUnitNames SetUnitNames(TUnitNames names) { return std::exchange(gUnitNames, names); }

void TDataStorage::LoadFormats() {
  if (ShippedFormatsFileIsWritable())
    LoadFormats(ShippedFormatsFilePath());
  else
    LoadUserFormats(UserFormatsFilePath(), ShippedFormatsFilePath());
  SayUnknownUnits(Formats, SourcePath);
}

bool TDataStorage::SaveFormats() {
  if (!Modified) return true;
  return userPath_.empty() ? SaveFormats(FormatsFilePath()) : SaveUserFormats();
}

void TDataStorage::LoadFormats(const std::string& path) {
  TProfileFile ini;
  ini.Load(path);
  SourcePath = path;
  for (const std::string& title : ListedTitles(ini)) Formats.Add(ReadFormat(ini, title));
}

void TDataStorage::LoadUserFormats(const std::string& userPath, const std::string& shippedPath) {
  userPath_ = userPath;
  shippedPath_ = shippedPath;
  userFileUnreadable_ = false;
  TProfileFile shipped;
  shipped.Load(shippedPath);
  const std::vector<std::string> shippedTitles = ListedTitles(shipped);
  seenShipped_ = shippedTitles;
  TProfileFile user;
  if (!Exists(userPath)) {
    LoadFormats(shippedPath);
    return;
  }
  if (!user.Load(userPath)) {
    userFileUnreadable_ = true;
    Dialogs().Show(Tr(strUserCatalogueUnreadable, {userPath, shippedPath}), "Quillot", TDialogButtons::Ok,
                   TDialogIcon::Warning);
    LoadFormats(shippedPath);
    return;
  }
  SourcePath = userPath;
  const std::vector<std::string> userTitles = ListedTitles(user);
  for (const std::string& title : userTitles) {
    auto format = std::make_unique<TFormat>();
    format->Title = title;
    if (Contains(shippedTitles, title)) ReadFormatKeys(shipped, title, *format);
    ReadFormatKeys(user, title, *format);
    Formats.Add(std::move(format));
  }
  const std::vector<std::string> seen = SplitCommaText(user.ReadString(kOptions, kShippedFormats, ""));
  for (const std::string& title : shippedTitles)
    if (!Contains(userTitles, title) && !Contains(seen, title)) Formats.Add(ReadFormat(shipped, title));
  for (const std::string& title : seen)
    if (!Contains(seenShipped_, title)) seenShipped_.push_back(title);
}

bool TDataStorage::SaveFormats(const std::string& path) {
  if (!Modified) return true;
  // The whole file is rebuilt in memory and replaced in one step: a failure leaves the old file intact.
  TProfileFile ini;
  std::error_code ec;
  if (!ini.Load(path) && std::filesystem::exists(PathOfUtf8(path), ec)) {
    // The file is there but cannot be read: rewriting it would drop everything it holds.
    Dialogs().Show("Unable to write to " + path, "Error", TDialogButtons::Ok, TDialogIcon::Error);
    return false;
  }
  WriteCatalogue(ini, Formats);
  return SaveOrSay(ini, path);
}

bool TDataStorage::SaveUserFormats() {
  TProfileFile ini;
  const bool there = Exists(userPath_);
  if (!there || !ini.Load(userPath_)) {
    // Unreadable only now: what it holds was never shown to the user, so it is not theirs to drop.
    if (there && !userFileUnreadable_) {
      Dialogs().Show("Unable to write to " + userPath_, "Error", TDialogButtons::Ok, TDialogIcon::Error);
      return false;
    }
    // The first save starts from the shipped file, so its comments and other keys come along.
    ini.Load(shippedPath_);
  }
  WriteCatalogue(ini, Formats);
  ini.Write(kOptions, kShippedFormats, JoinCommaText(seenShipped_));
  std::error_code ec;
  std::filesystem::create_directories(PathOfUtf8(userPath_).parent_path(), ec);
  return SaveOrSay(ini, userPath_);
}

}  // namespace quillot
