#include "gui/DecodeQueue.h"

#include <QProcess>
#include <QTimer>
#include <csignal>

#include "gui/QtText.h"

namespace quillot::gui {

TDecodeQueue::TDecodeQueue(QString program, QObject* parent) : QObject(parent), program_(std::move(program)) {}

TDecodeQueue::~TDecodeQueue() {
  // Children still running are killed, not waited for.
  for (QProcess* child : findChildren<QProcess*>()) {
    child->disconnect(this);
    child->kill();
    child->waitForFinished(1000);
  }
}

void TDecodeQueue::Add(int row, const std::string& path, uint64_t streamEnd, const std::string& folder) {
  waiting_.push_back({row, path, streamEnd, folder});
  // Started from the event loop, so the caller fills its rows first.
  QTimer::singleShot(0, this, &TDecodeQueue::StartNext);
}

void TDecodeQueue::StartNext() {
  while (running_ < parallel_ && !waiting_.empty() && !program_.isEmpty()) {
    const TJob job = waiting_.front();
    waiting_.pop_front();
    ++running_;
    auto* child = new QProcess(this);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    // The child limits itself; the timer is the parent's own guard, a little later than the child's.
    decode::TDecodeLimits limits = limits_;
    limits.Folder = job.Folder;
    limits = decode::LimitsForFile(job.Path, job.StreamEnd, limits);
    auto* timer = new QTimer(child);
    timer->setSingleShot(true);
    const int row = job.Row;
    connect(timer, &QTimer::timeout, child, [this, child, row, limits] {
      decode::TDecodeReport report;
      report.Outcome = decode::TDecodeOutcome::TimedOut;
      report.Error = decode::TimedOutText(limits);
      Finish(child, row, report);
    });
    connect(child, &QProcess::finished, this, [this, child, row, limits](int code, QProcess::ExitStatus status) {
      decode::TDecodeReport report;
      const QByteArray out = child->readAllStandardOutput();
      // A child ended by its processor limit (a crash's code is its signal) ran out of time.
      if (status == QProcess::CrashExit && code == SIGXCPU) {
        report.Outcome = decode::TDecodeOutcome::TimedOut;
        report.Error = decode::TimedOutText(limits, true);
      } else if (status != QProcess::NormalExit || !decode::ParseDecodeReport(out.toStdString(), report)) {
        report = {};
        report.Outcome = decode::TDecodeOutcome::Crashed;
        report.Error = FromQ(QString::fromUtf8(child->readAllStandardError()).trimmed());
        if (report.Error.empty() && status == QProcess::NormalExit)
          report.Error = "exit status " + std::to_string(code);
      }
      Finish(child, row, report);
    });
    connect(child, &QProcess::errorOccurred, this, [this, child, row](QProcess::ProcessError error) {
      if (error != QProcess::FailedToStart) return;
      decode::TDecodeReport report;
      report.Outcome = decode::TDecodeOutcome::Crashed;
      report.Error = FromQ(child->errorString());
      Finish(child, row, report);
    });
    QStringList arguments;
    // The list starts with the decoder's own path, which QProcess takes apart from the arguments.
    const std::vector<std::string> line = decode::CheckArguments(job.Path, job.StreamEnd, limits);
    for (size_t i = 1; i < line.size(); ++i) arguments << ToQ(line[i]);
    emit Started(row);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(limits.Time).count();
    timer->start(static_cast<int>(std::min<long long>(ms + 1000, INT32_MAX)));
    child->start(program_, arguments);
  }
}

void TDecodeQueue::Finish(QProcess* child, int row, decode::TDecodeReport report) {
  // Whichever comes first, the answer or the timer, is the only one heard.
  child->disconnect(this);
  for (QTimer* timer : child->findChildren<QTimer*>()) timer->stop();
  if (child->state() != QProcess::NotRunning) {
    child->kill();
    child->waitForFinished(1000);
  }
  child->deleteLater();
  --running_;
  emit Answered(row, report);
  StartNext();
}

}  // namespace quillot::gui
