#include "formats/FileTypes.h"

#include <algorithm>
#include <filesystem>

#include "app/UserFolders.h"
#include "platform/ProgramFolder.h"
#include "platform/Utf8Path.h"
#include "platform/WriteAccess.h"
#include "util/Text.h"

namespace quillot {

std::unique_ptr<TDataStorage> DataStorage;

namespace {
// Every comma separates; a comma at the very end adds no entry, like a final line break.
std::vector<std::string> SplitEntries(std::string_view line) {
  std::vector<std::string> rules;
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ',') {
      rules.emplace_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < line.size()) rules.emplace_back(line.substr(start));
  return rules;
}
}  // namespace

std::vector<std::string> TFormat::GetAlternativeRules(int32_t n) const {
  textBytesRead_ += ScanBytes.size();
  auto lines = SplitLines(Trim(ScanBytes));
  if (n < 0 || static_cast<size_t>(n) >= lines.size()) return {};
  return SplitEntries(lines[static_cast<size_t>(n)]);
}

std::vector<std::vector<std::string>> TFormat::GetAllAlternativeRules() const {
  textBytesRead_ += ScanBytes.size();
  std::vector<std::vector<std::string>> all;
  for (std::string_view line : SplitLines(Trim(ScanBytes))) all.push_back(SplitEntries(line));
  return all;
}

int32_t TFormat::CountAlternatives() const {
  textBytesRead_ += ScanBytes.size();
  return static_cast<int32_t>(SplitLines(Trim(ScanBytes)).size());
}

int CompareByOrder(const TFormat& a, const TFormat& b) {
  if (a.Order < b.Order) return -1;
  if (a.Order > b.Order) return 1;
  return 0;
}

TFormat* TFormatsList::Add(std::unique_ptr<TFormat> format) {
  items_.push_back(std::move(format));
  return items_.back().get();
}

bool TFormatsList::Remove(const TFormat* format) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == format; });
  if (it == items_.end()) return false;
  items_.erase(it);
  return true;
}

void TFormatsList::SortByOrder() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const auto& a, const auto& b) { return CompareByOrder(*a, *b) < 0; });
}

namespace {
// The folder the shipped catalogue lies in, ending in the delimiter: the one place that says where.
std::string ShippedDataFolder() { return DataFolder(); }
}  // namespace

std::string TDataStorage::ShippedFormatsFilePath() { return ShippedDataFolder() + "Quillot.ini"; }

std::string TDataStorage::UserFormatsFilePath() { return UserSettingsFolder() + PathDelim + "Quillot.ini"; }

bool TDataStorage::ShippedFormatsFileIsWritable() {
  // An installed copy (its data under ../share/quillot) never writes its shipped files, even for root.
  if (ShippedDataFolder() != ProgramFolder() || !MayWrite(ShippedDataFolder())) return false;
  const std::string file = ShippedFormatsFilePath();
  std::error_code ec;
  // A missing file is created beside the program at the first save, as in a fresh build folder.
  return !std::filesystem::exists(PathOfUtf8(file), ec) || MayWrite(file);
}

std::string TDataStorage::FormatsFilePath() {
  return ShippedFormatsFileIsWritable() ? ShippedFormatsFilePath() : UserFormatsFilePath();
}

}  // namespace quillot
