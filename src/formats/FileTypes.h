// The catalogue of file-format definitions: data, not code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillot {

class TFormat {
 public:
  std::string Category = "Miscelaneous";
  std::string Title = "Untitled";
  int32_t Order = 0;
  std::string FileExtension = "UNKNOWN";
  std::string TypeDescription;
  std::string FilePrefix = "file";
  bool Search = false;
  std::string ScanBytes;
  // The stream unit that knows where this format's recordings end ("riff", "flac"); empty for none.
  std::string Stream;
  // The stream unit that must confirm a match before it counts as a start ("mpeg-audio"): for signatures
  // that are only a frame header, which also occur inside other files. Empty: every match is a start.
  std::string Check;
  int32_t AlternativeCount = 0;

  // The entries of alternative n (0-based) of the trimmed ScanBytes, split at its commas.
  std::vector<std::string> GetAlternativeRules(int32_t n) const;
  // The entries of every alternative in order, as GetAlternativeRules gives each, from one reading of
  // the text: asking for each alternative in turn would read it once per alternative.
  std::vector<std::vector<std::string>> GetAllAlternativeRules() const;
  // The number of lines of the trimmed ScanBytes.
  int32_t CountAlternatives() const;
  void PrepareForPass() { AlternativeCount = CountAlternatives(); }

  // The bytes of ScanBytes the methods above have read so far: what preparing the format costs, so
  // tests can check it grows with the text and no faster.
  uint64_t TextBytesRead() const { return textBytesRead_; }

 private:
  mutable uint64_t textBytesRead_ = 0;
};

int CompareByOrder(const TFormat& a, const TFormat& b);

// The catalogue: owns its definitions, in catalogue order.
class TFormatsList {
 public:
  TFormat* Add(std::unique_ptr<TFormat> format);
  // Removes and destroys the definition; answers false when it is not in the list.
  bool Remove(const TFormat* format);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TFormat& Items(int32_t i) { return *items_[static_cast<size_t>(i)]; }
  const TFormat& Items(int32_t i) const { return *items_[static_cast<size_t>(i)]; }
  // Ascending by Order; definitions with equal Order keep their relative order.
  void SortByOrder();
  void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<TFormat>> items_;
};

// Which stream units Stream= and Check= may name. The units sit a layer above the catalogue, so start-up
// tells it (TLifecycle::Start); left unset, as where a test reads a file alone, no name is questioned.
struct TUnitNames {
  bool (*IsStreamUnit)(std::string_view name) = nullptr;    // a unit of that name exists
  bool (*ConfirmsStarts)(std::string_view name) = nullptr;  // and it can confirm a start
};
// Installs the answers and answers the previous ones.
TUnitNames SetUnitNames(TUnitNames names);

// The one program-wide owner of the catalogue.
//
// A copy whose shipped catalogue this user may write (a build folder) reads and saves that file. An
// installed copy, whose program folder is not the user's to write, never writes the shipped file: the
// user's changes go to the user's own file, which the next start reads over the shipped one
// (LoadUserFormats).
class TDataStorage {
 public:
  bool Modified = false;
  TFormatsList Formats;
  // The file the catalogue was read from, the one to name to the user: the user's own file where it
  // was read, else the shipped one (also when that is missing).
  std::string SourcePath;

  // The shipped catalogue: "Quillot.ini" in the folder of the shipped data.
  static std::string ShippedFormatsFilePath();
  // An installed copy's catalogue of the user: the user's settings folder, then "Quillot.ini".
  static std::string UserFormatsFilePath();
  // Whether the shipped catalogue is this user's to change in place: its folder may be written, and so
  // may the file where it is there.
  static bool ShippedFormatsFileIsWritable();
  // The file the user's changes are saved to: the shipped one where it is writable, else the user's.
  static std::string FormatsFilePath();

  // Reads the catalogue this copy uses: the shipped file where it is writable, else LoadUserFormats.
  // Formats naming a unit SetUnitNames does not know are told to the user in one message; their text is
  // kept as read, so a save does not lose it, and the engine takes such a name as no unit.
  void LoadFormats();
  // Writes only when Modified, to the file LoadFormats() chose; answers false (after telling the user)
  // when it could not be written.
  bool SaveFormats();

  void LoadFormats(const std::string& path);
  bool SaveFormats(const std::string& path);

  // The user's catalogue over the shipped one, and SaveFormats() saving to userPath only. Each of the
  // user's formats starts from the shipped section of the same title, so keys a newer shipped file
  // added reach it while the user's own values stay. A shipped format missing from the user's list is
  // added unless the user's file has seen it before (then the user deleted it). Without a user's file,
  // the shipped catalogue; with one that cannot be read, the shipped catalogue after telling the user,
  // and the unreadable file is replaced only by a save of the user's changes.
  void LoadUserFormats(const std::string& userPath, const std::string& shippedPath);

 private:
  bool SaveUserFormats();

  // Set by LoadUserFormats; userPath_ empty: the catalogue is saved where it was read.
  std::string userPath_;
  std::string shippedPath_;
  bool userFileUnreadable_ = false;
  // The shipped titles the user's file has seen, written back with it.
  std::vector<std::string> seenShipped_;
};

// The program-wide catalogue owner; created at start-up, destroyed at exit.
extern std::unique_ptr<TDataStorage> DataStorage;

}  // namespace quillot
