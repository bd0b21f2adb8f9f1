// The Progress page: the recovery pass runs here, on this thread, with the wizard as its view; and the
// Finish page's figures.
#include <cmath>
#include <cstdio>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "engine/FileClaim.h"
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"
#include "platform/UDisksOpen.h"
#include "wizard/DestinationCheck.h"
#include "wizard/DriveProblem.h"
#include "wizard/PassOptions.h"
#include "wizard/Wizard.h"
#include "wizard/WizardMessages.h"

namespace quillot {

namespace {
std::string Duration(double seconds) {
  const auto s = static_cast<long long>(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}
}  // namespace

void TWizard::ProgressButtonStartClick() {
  StartRecovery();
  CheckState();
  // Stopped: the field holds where to go on, so Start goes on from there.
  if (const auto resume = pass_->ResumeSector(); resume && !Running()) view_.SetStartSector(*resume);
  if (pass_->Outcome() == TPassOutcome::Fatal && !closeAfterPass_) ShowMessage(Tr(strPassEndedOnError), true);
  // A close asked for during the pass is carried out now that the file is closed.
  if (closeAfterPass_) {
    closeAfterPass_ = false;
    view_.CloseWindow();
  }
}

// Stop is read between chunks: the page says at once that the pass ends once the chunk in hand is read.
void TWizard::ProgressButtonStopClick() {
  pass_->RequestStop();
  if (!Running()) return;
  view_.SetEnabled(TControl::ProgressButtonStop, false);
  SetStatus(Tr(strStopping));
}

void TWizard::StartRecovery() {
  if (Running() || !DataStorage) return;
  RecoveryTargetFolder = WithTrailingDelimiter(RecoveryTargetFolder);
  // The destination before anything is read: a folder the files cannot go to is refused with the reason.
  if (writesFiles_)
    if (const auto problem = DestinationProblem(DriveLetter, RecoveryTargetFolder)) {
      ShowMessage(*problem, true);
      return;
    }
  // A device we may not read is asked for here, once: the system shows its password prompt.
  if (!GetDriveParams(DriveNumber, DriveParams) && DriveAccessMayBeAsked(DriveLetter)) {
    TAccessRequestScope ask;
    if (!GetDriveParams(DriveNumber, DriveParams)) {
      ShowMessage(Tr(strAccessNotGiven, {DrivePathOf(DriveLetter)}), true);
      return;
    }
  }
  TRecoveryOptions options = PassOptionsFromSettings(DriveLetter, RecoveryTargetFolder, view_.StartSector());
  // The page shows where this pass begins from its first repaint, not where the last one ended.
  first_ = current_ = options.StartSector;
  options.DriveNumber = DriveNumber;
  pass_->StartRecovery(options, DataStorage->Formats);
  DriveParams = pass_->DriveParams;
}

void TWizard::OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) {
  first_ = current_ = firstSector;
  total_ = totalSectors;
  bytesPerSec_ = bytesPerSec;
  sinceCheck_ = 0;
  refreshedAt_ = Clock();
  passStartedAt_ = refreshedAt_;
  passFiles_.clear();
  ShowClock();
  ShowClockRows(true);
}

void TWizard::ShowClockRows(bool shown) {
  for (TControl c : {TControl::ProgressLabelElapsed, TControl::ProgressLabelElapsedTime, TControl::ProgressLabelSpeed,
                     TControl::ProgressLabelSpeedValue, TControl::ProgressLabelLeft, TControl::ProgressLabelTimeLeft})
    view_.SetVisible(c, shown);
}

void TWizard::ShowClock() {
  const double seconds = passStartedAt_ ? Clock() - *passStartedAt_ : 0;
  const double done = static_cast<double>(current_ > first_ ? current_ - first_ : 0);
  const double bytesPerSecond = seconds > 0 ? done * bytesPerSec_ / seconds : 0;
  view_.SetText(TControl::ProgressLabelElapsedTime, Duration(seconds));
  const double mbps = bytesPerSecond / 1e6;
  char speed[48] = "";
  if (done > 0) std::snprintf(speed, sizeof speed, "%.*f", mbps < 100 ? 1 : 0, mbps);
  view_.SetText(TControl::ProgressLabelSpeedValue, done > 0 ? Tr(strMegabytesPerSecond, {speed}) : std::string());
  // Left unsaid until the pass has read something to judge by.
  const double left = static_cast<double>(total_ > current_ ? total_ - current_ : 0);
  view_.SetText(TControl::ProgressLabelTimeLeft, done > 0 ? Duration(left * seconds / done) : std::string());
}

void TWizard::Refresh() {
  view_.SetText(TControl::ProgressLabelCurSector, std::to_string(current_));
  view_.SetProgress(ProgressPercent(current_, total_));
  ShowClock();
  FlushLog();
  if (OnRefresh) OnRefresh(current_);
  view_.LetEventsRun();
  refreshedAt_ = Clock();
}

void TWizard::OnPassEnded() {
  FlushLog();
  lastPassSeconds_ = passStartedAt_ ? Clock() - *passStartedAt_ : 0;
  passStartedAt_.reset();
  view_.SetProgress(0);
  view_.SetText(TControl::ProgressLabelCurSector, "0");
  ShowClockRows(false);
  // The status says how the pass ended, where the pass itself leaves it idle.
  const TPassOutcome outcome = pass_->Outcome();
  SetStatus(Tr(outcome == TPassOutcome::Fatal       ? strStatusFailed
               : outcome == TPassOutcome::Cancelled ? strStatusStopped
                                                    : strStatusFinished));
  if (lastPassSeconds_ >= AttentionAfterSeconds && !view_.IsActiveWindow()) view_.RequestAttention();
}

void TWizard::ShowFilesFound(int32_t filesFound) {
  view_.SetText(TControl::ProgressLabelFilesFound, std::to_string(filesFound));
}

void TWizard::ShowReadErrors(int32_t readErrors) {
  view_.SetText(TControl::ProgressLabelReadErrors, std::to_string(readErrors));
}

void TWizard::AddLogLine(const std::string& line) {
  // During a pass the lines reach the log at the next repaint, many at a time: a line per file
  // appended one by one would cost the pass more than its reading.
  pendingLog_.push_back(line);
  if (!Running()) FlushLog();
}

void TWizard::FlushLog() {
  if (pendingLog_.empty()) return;
  view_.AppendLog(pendingLog_);
  pendingLog_.clear();
}

void TWizard::SetStatus(const std::string& status) { view_.SetText(TControl::ProgressLabelStatus, status); }

void TWizard::SetStartStopEnabled(bool startEnabled, bool stopEnabled) {
  view_.SetEnabled(TControl::ProgressButtonStart, startEnabled);
  view_.SetEnabled(TControl::ProgressButtonStop, stopEnabled);
}

void TWizard::ShowMessage(const std::string& text, bool warning) {
  FlushLog();
  Dialogs().Show(text, ProductName, TDialogButtons::Ok, warning ? TDialogIcon::Warning : TDialogIcon::None);
}

bool TWizard::AskYesNo(const std::string& text) {
  FlushLog();
  return Dialogs().Show(text, Tr(strConfirmation), TDialogButtons::YesNo, TDialogIcon::Question) == TDialogAnswer::Yes;
}

void TWizard::ProcessMessages() {
  FlushLog();
  view_.SetText(TControl::ProgressLabelCurSector, std::to_string(current_));
  view_.LetEventsRun();
}

std::string TWizard::StartsLine() const {
  if (FilesWritten() >= FilesFound()) return {};
  return Tr(strStartsFound, {std::to_string(FilesFound())});
}

std::string TWizard::VerdictLine() const {
  if (passFiles_.empty()) return {};
  return ClaimSummary(CountClaims(passFiles_));
}

std::string TWizard::PiecesLine() const {
  if (auto pieces = PiecesSummary(passFiles_)) return *pieces;
  if (auto after = BytesAfterEndSummary(passFiles_, Tr(strTrimmingEndsThem))) return *after;
  return {};
}

void TWizard::ShowFinishFigures() {
  // Every file closed was reported; a start whose file could not be created was not.
  view_.SetText(TControl::FinishLabel2, std::to_string(FilesWritten()));
  const std::string starts = StartsLine();
  view_.SetText(TControl::FinishLabelStarts, starts);
  view_.SetVisible(TControl::FinishLabelStarts, !starts.empty());
  view_.SetText(TControl::FinishLabelVerdicts, VerdictLine());
  view_.SetText(TControl::FinishLabelPieces, PiecesLine());
  const auto resume = pass_->ResumeSector();
  view_.SetText(TControl::FinishLabelStopped, resume ? Tr(strFinishStopped, {std::to_string(*resume)}) : "");
  view_.ArrangeFinishPage();
  view_.SetEnabled(TControl::FinishButtonReview, FilesWritten() > 0 && !Running());
}

}  // namespace quillot
