// A pass with --trim --reassemble over a card made from the input: its head (up to a sector's worth) written
// again every few sectors among bytes that follow from it, as a crafted card repeats one start. Whatever the
// card, every medium sector goes into one file at most, and the size of the reads changes nothing.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzTempDir.h"
#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "engine/RecoveryPass.h"
#include "formats/FileTypes.h"

using namespace quillot;

namespace {

class TQuietView : public TRecoveryView {
 public:
  void OnPassStarted(uint64_t, uint64_t, uint32_t) override {}
  void OnPassEnded() override {}
  void OnSector(uint64_t) override {}
  void ShowFilesFound(int32_t) override {}
  void ShowReadErrors(int32_t) override {}
  void AddLogLine(const std::string&) override {}
  void SetStatus(const std::string&) override {}
  void SetBusy(bool) override {}
  void SetStartStopEnabled(bool, bool) override {}
  void CheckState() override {}
  void ShowMessage(const std::string&, bool) override {}
  bool AskYesNo(const std::string&) override { return false; }
  void ProcessMessages() override {}
  void OnFileFinished(const TRecoveredFile& f) override { files.push_back(f); }
  std::vector<TRecoveredFile> files;
};

TFormatsList& Catalogue() {
  static TDataStorage* storage = [] {
    auto* s = new TDataStorage;
    s->LoadFormats(QUILLOT_SOURCE_DIR "/data/Quillot.ini");
    for (int i = 0; i < s->Formats.Count(); ++i) s->Formats.Items(i).Search = true;
    return s;
  }();
  return storage->Formats;
}

std::string Layout(const std::vector<TRecoveredFile>& files) {
  std::string text;
  for (const TRecoveredFile& f : files) {
    text += std::to_string(f.FirstSector) + "+" + std::to_string(f.Sectors) + " " + std::to_string(f.Bytes) + " [";
    for (const auto& p : f.Pieces) text += std::to_string(p.First) + "+" + std::to_string(p.Count) + " ";
    text += "] " + std::to_string(static_cast<int>(f.Verdict)) + "\n";
  }
  return text;
}

std::vector<TRecoveredFile> Pass(const std::string& image, const std::string& out, int32_t sectorsToRead) {
  std::string error;
  auto letter = AttachImage(image, error);
  FUZZ_CHECK(letter.has_value(), "the card attaches");
  DriveAccessInit();
  TQuietView view;
  TDiskDestination files;
  TRecoveryPass pass(view, files);
  TRecoveryOptions options{*letter, static_cast<uint8_t>(*letter - 'A' + 1), out, 1, sectorsToRead, 0};
  options.Trim = true;
  options.Reassemble = true;
  pass.StartRecovery(options, Catalogue());
  DriveAccessDone();
  DriveTable().Remove(*letter);
  return view.files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // 1 to 64 sectors between heads, a card of 1 024 sectors.
  const size_t every = 1 + data[0] % 64;
  const int32_t oddRead = 1 + data[1] % 37;
  data += 2;
  size -= 2;
  const size_t head = std::min<size_t>(size, 512);
  std::vector<uint8_t> card(1024 * 512);
  uint32_t x = 2463534242u ^ static_cast<uint32_t>(size);
  for (size_t i = 0; i < card.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    card[i] = static_cast<uint8_t>(x);
  }
  for (size_t s = 0; s < 1024; s += every) std::copy_n(data, head, card.begin() + static_cast<ptrdiff_t>(s * 512));
  // What follows the head in the input stands after the first one, as the rest of a stream would.
  if (size > head)
    std::copy_n(data + head, std::min(size - head, card.size() - head), card.begin() + static_cast<ptrdiff_t>(head));

  const std::string folder = fuzz::ScratchFolder();
  const std::string image = folder + "/card.img";
  FILE* f = std::fopen(image.c_str(), "wb");
  FUZZ_CHECK(f != nullptr, "the card is written");
  std::fwrite(card.data(), 1, card.size(), f);
  std::fclose(f);
  std::string first;
  for (int32_t sectorsToRead : {256, oddRead}) {
    const std::string out = folder + "/out" + std::to_string(sectorsToRead);
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    const std::vector<TRecoveredFile> files = Pass(image, out, sectorsToRead);
    std::vector<uint64_t> owned;
    for (const TRecoveredFile& file : files) {
      if (file.Pieces.empty()) {
        for (uint64_t s = file.FirstSector; s < file.FirstSector + file.Sectors; ++s) owned.push_back(s);
      } else {
        for (const auto& p : file.Pieces)
          for (uint64_t s = p.First; s < p.First + p.Count; ++s) owned.push_back(s);
      }
    }
    std::sort(owned.begin(), owned.end());
    FUZZ_CHECK(std::adjacent_find(owned.begin(), owned.end()) == owned.end(), "one medium sector, one file");
    const std::string layout = Layout(files);
    if (first.empty())
      first = layout;
    else
      FUZZ_CHECK(layout == first, "the size of the reads changes nothing");
    std::filesystem::remove_all(out);
  }
  std::remove(image.c_str());
  return 0;
}
