#include "cli/TerminalView.h"

#include <cerrno>
#include <unistd.h>

#include "cli/Report.h"

namespace quillot::cli {

using Clock = std::chrono::steady_clock;

TTerminalView::TTerminalView(TOverwritePolicy overwrite, bool progressLine)
    : overwrite_(overwrite), progressLine_(progressLine), started_(Clock::now()), lastDraw_(started_) {}

void TTerminalView::OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) {
  first_ = current_ = firstSector;
  processed_ = 0;
  total_ = totalSectors;
  bytesPerSec_ = bytesPerSec;
  started_ = lastDraw_ = Clock::now();
}

void TTerminalView::OnPassEnded() {
  ShowWriteErrors();
  if (!endedSet_) {
    ended_ = Clock::now();
    endedSet_ = true;
  }
  ClearLine();
}

double TTerminalView::Seconds() const {
  auto end = endedSet_ ? ended_ : Clock::now();
  return std::chrono::duration<double>(end - started_).count();
}

void TTerminalView::ClearLine() {
  if (!lineShown_) return;
  std::fputs("\r\033[K", stderr);
  lineShown_ = false;
}

void TTerminalView::MaybeRedraw() {
  auto now = Clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(250)) return;
  lastDraw_ = now;
  double seconds = std::chrono::duration<double>(now - started_).count();
  double done = static_cast<double>(current_ - first_);
  double left = static_cast<double>(total_ - current_);
  double mbps = seconds > 0 ? done * bytesPerSec_ / seconds / 1e6 : 0;
  double eta = done > 0 ? left * seconds / done : 0;
  std::fprintf(stderr, "\r\033[Ksector %llu/%llu  %d%%  %.1f MB/s  files %d  read errors %d  left %d:%02d",
               static_cast<unsigned long long>(current_), static_cast<unsigned long long>(total_),
               ProgressPercent(current_, total_), mbps, filesFound_, readErrors_, static_cast<int>(eta) / 60,
               static_cast<int>(eta) % 60);
  std::fflush(stderr);
  lineShown_ = true;
}

void TTerminalView::AddLogLine(const std::string& line) {
  ShowWriteErrors();
  ClearLine();
  // A log line names files and paths: no byte of a name reaches the terminal as a control.
  std::printf("%s\n", TerminalText(line).c_str());
  std::fflush(stdout);
}

void TTerminalView::AddWriteErrorLine(const std::string& line) {
  if (line != writeError_) ShowWriteErrors();
  writeError_ = line;
  ++writeErrors_;
}

void TTerminalView::ShowWriteErrors() {
  if (writeErrors_ == 0) return;
  const int count = writeErrors_;
  writeErrors_ = 0;
  if (count == 1) return AddLogLine(writeError_);
  AddLogLine(writeError_ + " (" + std::to_string(count) + " writes failed)");
}

void TTerminalView::ShowMessage(const std::string& text, bool warning) {
  ClearLine();
  messages.push_back(text);
  std::fprintf(stderr, "quillot-cli: %s%s\n", warning ? "warning: " : "", TerminalText(text, true).c_str());
}

bool TTerminalView::AskYesNo(const std::string& text) {
  ClearLine();
  switch (overwrite_) {
    case TOverwritePolicy::Yes: return true;
    case TOverwritePolicy::No: return false;
    case TOverwritePolicy::Ask: break;
  }
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "%s [no: not asked, input is not a terminal]\n", text.c_str());
    return false;
  }
  std::fprintf(stderr, "%s [y/N] ", text.c_str());
  std::fflush(stderr);
  char answer[16] = {};
  ssize_t n = read(STDIN_FILENO, answer, sizeof answer - 1);
  return n > 0 && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace quillot::cli
