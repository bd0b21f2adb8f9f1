// The Progress page: the recovery pass runs here, on this thread, with the window as its view.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "app/Settings.h"
#include "engine/FileClaim.h"
#include "formats/FileTypes.h"
#include "gui/BusyAnimation.h"
#include "gui/DriveProblem.h"
#include "gui/GuiMessages.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/SectorEdit.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"
#include "platform/UDisksOpen.h"

namespace quillot::gui {

void TMainForm::ProgressButtonStartClick() {
  StartRecovery();
  CheckState();
  // A close asked for during the pass is carried out now that the file is closed.
  if (closeAfterPass_) {
    closeAfterPass_ = false;
    close();
  }
}

// Stop is read between chunks: the page says at once that the pass ends once the chunk in hand is read.
void TMainForm::ProgressButtonStopClick() {
  pass_->RequestStop();
  if (!Running()) return;
  ProgressButtonStop->setEnabled(false);
  SetStatus(Tr(strStopping));
}

void TMainForm::StartRecovery() {
  if (Running() || !DataStorage) return;
  // A device we may not read is asked for here, once: the system shows its password prompt.
  if (!GetDriveParams(DriveNumber, DriveParams) && DriveAccessMayBeAsked(DriveLetter)) {
    TAccessRequestScope ask;
    if (!GetDriveParams(DriveNumber, DriveParams)) {
      ShowMessage(Tr(strAccessNotGiven, {DrivePathOf(DriveLetter)}), true);
      return;
    }
  }
  RecoveryTargetFolder = WithTrailingDelimiter(RecoveryTargetFolder);
  TRecoveryOptions options;
  options.DriveLetter = DriveLetter;
  options.DriveNumber = DriveNumber;
  options.TargetFolder = RecoveryTargetFolder;
  options.RetryCount = RecoveryRetryCount;
  options.SectorsToRead = RecoverySectorsToRead;
  options.StartSector = ProgressStartSectorSpinEdit->Value();
  options.Trim = RecoveryTrimFiles;
  options.Reassemble = RecoveryTrimFiles && RecoveryReassemble;
  pass_->StartRecovery(options, DataStorage->Formats);
  DriveParams = pass_->DriveParams;
}

void TMainForm::OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) {
  first_ = current_ = firstSector;
  total_ = totalSectors;
  bytesPerSec_ = bytesPerSec;
  sinceCheck_ = 0;
  refreshClock_.start();
  passClock_.start();
  passFiles_.clear();
  ShowClock();
  for (QWidget* w : clockRows_) w->show();
}

namespace {
QString Duration(double seconds) {
  const auto s = static_cast<long long>(seconds);
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600)
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

void TMainForm::ShowClock() {
  const double seconds = passClock_.isValid() ? static_cast<double>(passClock_.nsecsElapsed()) / 1e9 : 0;
  const double done = static_cast<double>(current_ > first_ ? current_ - first_ : 0);
  const double bytesPerSecond = seconds > 0 ? done * bytesPerSec_ / seconds : 0;
  ProgressLabelElapsedTime->setText(Duration(seconds));
  const double mbps = bytesPerSecond / 1e6;
  ProgressLabelSpeedValue->setText(done > 0 ? QStringLiteral("%1 MB/s").arg(mbps, 0, 'f', mbps < 100 ? 1 : 0)
                                            : QString());
  // Left unsaid until the pass has read something to judge by.
  const double left = static_cast<double>(total_ > current_ ? total_ - current_ : 0);
  ProgressLabelTimeLeft->setText(done > 0 ? Duration(left * seconds / done) : QString());
}
void TMainForm::OnFileFinished(const TRecoveredFile& file) {
  // Kept for the Finish page's figures and the review window.
  passFiles_.push_back(file);
}

int32_t TMainForm::FilesWritten() const { return static_cast<int32_t>(passFiles_.size()); }

QString TMainForm::StartsLine() const {
  if (FilesWritten() >= FilesFound()) return {};
  return ToQ(Tr(strStartsFound, {std::to_string(FilesFound())}));
}

QString TMainForm::VerdictLine() const {
  if (passFiles_.empty()) return {};
  return ToQ(ClaimSummary(CountClaims(passFiles_)));
}

QString TMainForm::PiecesLine() const {
  if (auto pieces = PiecesSummary(passFiles_)) return ToQ(*pieces);
  if (auto after = BytesAfterEndSummary(passFiles_, Tr(strTrimmingEndsThem))) return ToQ(*after);
  return {};
}

void TMainForm::Refresh() {
  ProgressLabelCurSector->setText(QString::number(current_));
  // The bar would repaint itself at once; it is painted with the labels instead, in one go.
  ProgressBar->setUpdatesEnabled(false);
  ProgressBar->setValue(ProgressPercent(current_, total_));
  ProgressBar->setUpdatesEnabled(true);
  ShowClock();
  FlushLog();
  if (OnRefresh) OnRefresh(current_);
  QCoreApplication::processEvents();
  refreshClock_.restart();
}

void TMainForm::OnPassEnded() {
  FlushLog();
  lastPassSeconds_ = passClock_.isValid() ? static_cast<double>(passClock_.nsecsElapsed()) / 1e9 : 0;
  passClock_.invalidate();
  ProgressBar->setValue(0);
  ProgressLabelCurSector->setText(QStringLiteral("0"));
  for (QWidget* w : clockRows_) w->hide();
  if (AskAttention && lastPassSeconds_ >= AttentionAfterSeconds && !isActiveWindow()) AskAttention(this);
}

void TMainForm::ShowFilesFound(int32_t filesFound) { ProgressLabelFilesFound->setText(QString::number(filesFound)); }

void TMainForm::ShowReadErrors(int32_t readErrors) { ProgressLabelReadErrors->setText(QString::number(readErrors)); }

void TMainForm::AddLogLine(const std::string& line) {
  // During a pass the lines reach the log at the next repaint, many at a time: a line per file
  // appended one by one would cost the pass more than its reading.
  pendingLog_.append(ToQ(line));
  if (!Running()) FlushLog();
}

void TMainForm::FlushLog() {
  if (pendingLog_.isEmpty()) return;
  ProgressMemoLog->appendPlainText(pendingLog_.join(QLatin1Char('\n')));
  pendingLog_.clear();
  ProgressMemoLog->verticalScrollBar()->setValue(ProgressMemoLog->verticalScrollBar()->maximum());
}

void TMainForm::SetStatus(const std::string& status) { ProgressLabelStatus->setText(ToQ(status)); }

void TMainForm::SetBusy(bool busy) {
  if (busy) {
    ProgressAnimate->show();
    ProgressAnimate->Start();
  } else {
    ProgressAnimate->Stop();
    ProgressAnimate->hide();
  }
}

void TMainForm::SetStartStopEnabled(bool startEnabled, bool stopEnabled) {
  ProgressButtonStart->setEnabled(startEnabled);
  ProgressButtonStop->setEnabled(stopEnabled);
}

void TMainForm::ShowMessage(const std::string& text, bool warning) {
  FlushLog();
  Dialogs().Show(text, FromQ(QApplication::applicationName()), TDialogButtons::Ok,
                 warning ? TDialogIcon::Warning : TDialogIcon::None);
}

bool TMainForm::AskYesNo(const std::string& text) {
  FlushLog();
  return Dialogs().Show(text, Tr(strConfirmation), TDialogButtons::YesNo, TDialogIcon::Question) == TDialogAnswer::Yes;
}

void TMainForm::ProcessMessages() {
  FlushLog();
  ProgressLabelCurSector->setText(QString::number(current_));
  QCoreApplication::processEvents();
}

}  // namespace quillot::gui
