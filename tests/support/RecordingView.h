// A recovery view that records what the pass showed and answers its questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/RecoveryView.h"

namespace quillot::test {

class TRecordingView : public TRecoveryView {
 public:
  void OnPassStarted(uint64_t, uint64_t total, uint32_t) override { totalSectors = total; }
  void OnPassEnded() override { ++passesEnded; }
  void OnSector(uint64_t sector) override {
    sectors.push_back(sector);
    if (onSector) onSector(sector);
  }
  void ShowFilesFound(int32_t n) override { filesFound = n; }
  void ShowReadErrors(int32_t n) override { readErrors = n; }
  void AddLogLine(const std::string& line) override { log.push_back(line); }
  void SetStatus(const std::string& s) override { status = s; }
  void SetBusy(bool b) override { busy = b; }
  void SetStartStopEnabled(bool start, bool stop) override {
    startEnabled = start;
    stopEnabled = stop;
  }
  void CheckState() override { ++checkStates; }
  void ShowMessage(const std::string& text, bool) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void ProcessMessages() override {
    ++processMessages;
    if (onProcessMessages) onProcessMessages();
  }
  void OnFileFinished(const TRecoveredFile& f) override { files.push_back(f); }

  std::vector<uint64_t> sectors;
  std::function<void(uint64_t)> onSector;
  std::function<void()> onProcessMessages;
  std::vector<std::string> log, messages, questions;
  std::deque<bool> answers;
  std::vector<TRecoveredFile> files;
  std::string status;
  uint64_t totalSectors = 0;
  int32_t filesFound = -1, readErrors = -1;
  int passesEnded = 0, checkStates = 0, processMessages = 0;
  bool busy = false, startEnabled = true, stopEnabled = false;
};

}  // namespace quillot::test
