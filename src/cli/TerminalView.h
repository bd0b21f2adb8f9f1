// The command line's recovery view: log lines on stdout, a live progress line on stderr when it is a
// terminal, questions answered by a policy or at the terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/RecoveryView.h"

namespace quillot::cli {

enum class TOverwritePolicy { Ask, Yes, No };

class TTerminalView : public TRecoveryView {
 public:
  TTerminalView(TOverwritePolicy overwrite, bool progressLine);

  void OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) override;
  void OnPassEnded() override;
  void OnSector(uint64_t sector) override {
    current_ = sector;
    ++processed_;
    // Looking at the clock every sector would cost more than the sector; every 2048 is plenty.
    if (progressLine_ && (++sinceCheck_ & 2047) == 0) MaybeRedraw();
  }
  // A slow source's progress line moves during a chunk's read too.
  void OnReading(uint64_t sectorReached) override {
    current_ = sectorReached;
    if (progressLine_) MaybeRedraw();
  }
  void ShowFilesFound(int32_t n) override { filesFound_ = n; }
  void ShowReadErrors(int32_t n) override { readErrors_ = n; }
  void AddLogLine(const std::string& line) override;
  // A file's failed writes make one line with their count, shown when the file is closed.
  void AddWriteErrorLine(const std::string& line) override;
  void SetStatus(const std::string&) override {}
  void SetBusy(bool) override {}
  void SetStartStopEnabled(bool, bool) override {}
  void CheckState() override {}
  void ShowMessage(const std::string& text, bool warning) override;
  bool AskYesNo(const std::string& text) override;
  void ProcessMessages() override {}
  void OnFileFinished(const TRecoveredFile& file) override {
    ShowWriteErrors();
    files.push_back(file);
  }

  std::vector<TRecoveredFile> files;
  std::vector<std::string> messages;
  double Seconds() const;
  // Every sector the pass handed over counts, the last one too.
  uint64_t BytesScanned() const { return processed_ * bytesPerSec_; }
  int32_t ReadErrors() const { return readErrors_; }
  // The sectors the pass covered: from its first sector to the drive's end.
  uint64_t PassFirstSector() const { return first_; }
  uint64_t PassEndSector() const { return total_; }

 private:
  void MaybeRedraw();
  void ClearLine();
  void ShowWriteErrors();

  TOverwritePolicy overwrite_;
  bool progressLine_;
  bool lineShown_ = false;
  uint64_t first_ = 0, total_ = 0, current_ = 0;
  uint32_t bytesPerSec_ = 0, sinceCheck_ = 0;
  uint64_t processed_ = 0;
  int32_t filesFound_ = 0, readErrors_ = 0;
  std::chrono::steady_clock::time_point started_, lastDraw_;
  std::chrono::steady_clock::time_point ended_{};
  bool endedSet_ = false;
  std::string writeError_;  // the failed-write line gathered, and how often it came
  int writeErrors_ = 0;
};

}  // namespace quillot::cli
