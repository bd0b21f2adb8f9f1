#include "drive/DriveTable.h"

#include <cctype>

#include "i18n/Messages.h"
#include "platform/ImagePath.h"
#include "platform/SysBlockScan.h"
#include "util/Text.h"

namespace quillot {

namespace {
bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}
}  // namespace

int TDriveTable::IndexOf(char letter) {
  int upper = std::toupper(static_cast<unsigned char>(letter));
  if (upper < 'A' || upper > 'Z') return -1;
  return upper - 'A';
}

void TDriveTable::EnsureScanned() {
  if (scanned_) return;
  scanned_ = true;
  AssignDevices(ScanSysBlock(state_.SysRoot, state_.DevRoot));
}

namespace {
// What stays the same for a device across scans: its node and device number, and the disk's serial where
// sysfs tells one, so another stick that takes the same node is another device.
std::string DeviceOwner(const TSysBlockEntry& e) { return "device " + e.DevicePath + " " + e.Number + " " + e.Serial; }
std::string ImageOwner(const std::string& canonical) { return "image " + canonical; }
}  // namespace

int TDriveTable::LetterOwnedBy(const std::string& owner) const {
  for (int i = 0; i < 26; ++i)
    if (state_.Owners[i] == owner) return i;
  return -1;
}

int TDriveTable::UnusedLetter(bool floppy) const {
  for (int i = floppy ? 0 : 2; i < 26; ++i)
    if (state_.Owners[i].empty() && !state_.Slots[i]) return i;
  return -1;
}

void TDriveTable::AssignDevices(const std::vector<TSysBlockEntry>& entries) {
  for (const auto& e : entries) {
    const std::string owner = DeviceOwner(e);
    int index = -1;
    if (e.SystemLetter) {
      // The system's letter is the device's; an image attached under it earlier keeps it, and the
      // device goes unlisted until the image is let go.
      index = IndexOf(e.SystemLetter);
      if (index < 0 || state_.Slots[index]) continue;
    } else {
      index = LetterOwnedBy(owner);
      if (index < 0 || state_.Slots[index]) index = UnusedLetter(e.Kind == TSourceKind::Floppy);
      if (index < 0) continue;  // every letter is taken
    }
    const uint32_t sectorSize = e.Kind == TSourceKind::Optical ? 2048 : 0;
    state_.Owners[index] = owner;
    state_.Slots[index] =
        std::make_shared<TFileBlockSource>(e.Name, e.DevicePath, e.Kind, e.Removable, false, sectorSize);
  }
}

std::shared_ptr<TBlockSource> TDriveTable::Source(char letter) {
  int index = IndexOf(letter);
  if (index < 0) return nullptr;
  std::lock_guard lock(mutex_);
  EnsureScanned();
  return state_.Slots[index];
}

uint32_t TDriveTable::LogicalDrives() {
  std::lock_guard lock(mutex_);
  EnsureScanned();
  uint32_t mask = 0;
  for (int i = 0; i < 26; ++i)
    if (state_.Slots[i]) mask |= 1u << i;
  return mask;
}

std::optional<char> TDriveTable::AttachImage(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = Tr(strImageNoPath);
    return std::nullopt;
  }
  const TImagePath image = ExamineImagePath(path);
  switch (image.Kind) {
    case TImagePathKind::Unreadable: error = Tr(strImageCannotOpen, {path, image.Error}); return std::nullopt;
    case TImagePathKind::Folder: error = Tr(strImageIsFolder, {path}); return std::nullopt;
    case TImagePathKind::Other: error = Tr(strImageNotFile, {path}); return std::nullopt;
    case TImagePathKind::File:
    case TImagePathKind::Device: break;
  }
  const std::string& canonical = image.Canonical;
  std::lock_guard lock(mutex_);
  EnsureScanned();
  const std::string owner = ImageOwner(canonical);
  if (const int known = LetterOwnedBy(owner); known >= 0 && state_.Slots[known] && state_.Slots[known]->IsImage())
    return static_cast<char>('A' + known);
  if (const int i = UnusedLetter(false); i >= 0) {
    const bool iso = EndsWithNoCase(canonical, ".iso");
    state_.Owners[i] = owner;
    state_.Slots[i] = std::make_shared<TFileBlockSource>(canonical, canonical,
                                                         iso ? TSourceKind::Optical : TSourceKind::Fixed, false, true,
                                                         iso                                  ? 2048
                                                         : image.Kind == TImagePathKind::File ? 512
                                                                                              : 0);
    return static_cast<char>('A' + i);
  }
  error = Tr(strImageNoLetter, {path});
  return std::nullopt;
}

bool TDriveTable::Register(char letter, std::shared_ptr<TBlockSource> source) {
  int index = IndexOf(letter);
  if (index < 0) return false;
  std::lock_guard lock(mutex_);
  EnsureScanned();
  state_.Owners[index] = std::string("registered ") + static_cast<char>('A' + index);
  state_.Slots[index] = std::move(source);
  return true;
}

void TDriveTable::Remove(char letter) {
  int index = IndexOf(letter);
  if (index < 0) return;
  std::lock_guard lock(mutex_);
  EnsureScanned();
  state_.Owners[index].clear();
  state_.Slots[index].reset();
}

void TDriveTable::Rescan() {
  std::string sysRoot, devRoot;
  {
    std::lock_guard lock(mutex_);
    sysRoot = state_.SysRoot;
    devRoot = state_.DevRoot;
  }
  Rescan(sysRoot, devRoot);
}

void TDriveTable::Rescan(const std::string& sysRoot, const std::string& devRoot) {
  std::vector<TSysBlockEntry> entries = ScanSysBlock(sysRoot, devRoot);
  std::lock_guard lock(mutex_);
  scanned_ = true;
  state_.SysRoot = sysRoot;
  state_.DevRoot = devRoot;
  // The letters stay given: a device found again takes its own back, one gone leaves it empty.
  for (auto& slot : state_.Slots)
    if (slot && !slot->IsImage()) slot.reset();
  AssignDevices(entries);
}

TDriveTable::TState TDriveTable::Snapshot() {
  std::lock_guard lock(mutex_);
  EnsureScanned();
  return state_;
}

void TDriveTable::Restore(const TState& state) {
  std::lock_guard lock(mutex_);
  scanned_ = true;
  state_ = state;
}

TDriveTable& DriveTable() {
  static auto* table = new TDriveTable;  // never destroyed: exit handlers may still ask it
  return *table;
}

uint32_t GetLogicalDrives() { return DriveTable().LogicalDrives(); }

std::optional<char> AttachImage(const std::string& path, std::string& error) {
  return DriveTable().AttachImage(path, error);
}

char DriveLetterOf(uint8_t driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return '\0';
  return static_cast<char>('A' + driveNumber - 1);
}

}  // namespace quillot
