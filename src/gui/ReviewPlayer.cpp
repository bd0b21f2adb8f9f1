#include "gui/ReviewPlayer.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <sys/types.h>

#include "decode/DecodeCheck.h"
#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

TReviewPlayer::TReviewPlayer(QString program, QObject* parent) : QObject(parent), program_(std::move(program)) {
  feeder_ = new QTimer(this);
  feeder_->setInterval(20);
  connect(feeder_, &QTimer::timeout, this, &TReviewPlayer::Feed);
}

TReviewPlayer::~TReviewPlayer() { Stop(); }

void TReviewPlayer::Play(const QString& path, uint64_t streamEnd, double seconds, const std::string& folder) {
  Stop();
  if (program_.isEmpty()) {
    Fail(ToQ(Tr(strPlayNoDecoder)));
    return;
  }
  startSeconds_ = skipSeconds_ = std::max(0.0, seconds);
  headerRead_ = childDone_ = false;
  buffer_.clear();
  child_ = new QProcess(this);
  connect(child_, &QProcess::readyReadStandardOutput, this, &TReviewPlayer::ReadChild);
  connect(child_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    ReadChild();
    childDone_ = true;
    if (!headerRead_ || status != QProcess::NormalExit) {
      QString why = QString::fromUtf8(child_->readAllStandardError()).trimmed();
      if (why.isEmpty()) why = QStringLiteral("exit status %1").arg(code);
      Fail(why);
    }
  });
  connect(child_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) Fail(child_->errorString());
  });
  QStringList arguments;
  // The list starts with the decoder's own path, which QProcess takes apart from the arguments.
  // The child's processor time is that of a check of the same file; it waits on the sound card for free.
  decode::TDecodeLimits limits;
  limits.Folder = folder;
  limits = decode::LimitsForFile(FromQ(path), streamEnd, limits);
  const std::vector<std::string> line = decode::PcmArguments(FromQ(path), streamEnd, limits);
  for (size_t i = 1; i < line.size(); ++i) arguments << ToQ(line[i]);
  child_->start(program_, arguments);
  feeder_->start();
}

void TReviewPlayer::ReadChild() {
  if (!child_) return;
  if (!headerRead_) {
    if (!child_->canReadLine()) return;
    const QString header = QString::fromLatin1(child_->readLine()).trimmed();
    for (const QString& field : header.split(QLatin1Char(' '))) {
      if (field.startsWith(QLatin1String("rate="))) rate_ = field.mid(5).toInt();
      if (field.startsWith(QLatin1String("channels="))) channels_ = field.mid(9).toInt();
    }
    if (rate_ <= 0 || channels_ <= 0) {
      Fail(QStringLiteral("the decoder answered \"%1\"").arg(header));
      return;
    }
    headerRead_ = true;
    skipBytes_ = static_cast<qint64>(skipSeconds_ * rate_) * channels_ * 2;
    QAudioFormat format;
    format.setSampleRate(rate_);
    format.setChannelCount(channels_);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
      Fail(QStringLiteral("no sound output"));
      return;
    }
    sink_ = new QAudioSink(device, format, this);
    sinkDevice_ = sink_->start();
    if (!sinkDevice_ || sink_->error() != QAudio::NoError) {
      Fail(QStringLiteral("the sound output refused %1 Hz, %2 channels").arg(rate_).arg(channels_));
      return;
    }
  }
  // The child's bytes are taken only while the buffer has room: the pipe holds the rest.
  while (buffer_.size() < kBufferBytes && child_->bytesAvailable() > 0) {
    QByteArray chunk = child_->read(std::min<qint64>(child_->bytesAvailable(), 1 << 16));
    if (skipBytes_ > 0) {
      const qint64 skip = std::min<qint64>(skipBytes_, chunk.size());
      chunk.remove(0, skip);
      skipBytes_ -= skip;
    }
    buffer_.append(chunk);
  }
  // QProcess reads the pipe dry whatever we take: a child far ahead of the sink is paused instead, so an
  // hour-long file never sits in memory whole.
  const qint64 ahead = child_->bytesAvailable();
  if (!paused_ && ahead > kBufferBytes && child_->state() == QProcess::Running) {
    ::kill(static_cast<pid_t>(child_->processId()), SIGSTOP);
    paused_ = true;
  } else if (paused_ && ahead < kBufferBytes / 2) {
    ::kill(static_cast<pid_t>(child_->processId()), SIGCONT);
    paused_ = false;
  }
}

void TReviewPlayer::Feed() {
  ReadChild();
  if (!sink_ || !sinkDevice_) return;
  const qint64 room = sink_->bytesFree();
  const qint64 frame = qint64(channels_) * 2;
  const qint64 n = std::min<qint64>(room - room % frame, buffer_.size() - buffer_.size() % frame);
  if (n > 0) {
    const qint64 written = sinkDevice_->write(buffer_.constData(), n);
    if (written > 0) buffer_.remove(0, written);
  }
  emit PositionChanged(Position());
  // Done once the child has ended, the buffer is empty and the sink has played what it was given.
  if (childDone_ && buffer_.size() < frame && sink_->state() == QAudio::IdleState) {
    Stop();
    emit Finished();
  }
}

double TReviewPlayer::Position() const {
  if (!sink_) return startSeconds_;
  return startSeconds_ + static_cast<double>(sink_->processedUSecs()) / 1e6;
}

void TReviewPlayer::Stop() {
  feeder_->stop();
  if (sink_) {
    sink_->stop();
    sink_->deleteLater();
    sink_ = nullptr;
    sinkDevice_ = nullptr;
  }
  if (child_) {
    child_->disconnect(this);
    if (paused_) ::kill(static_cast<pid_t>(child_->processId()), SIGCONT);
    paused_ = false;
    child_->kill();
    child_->waitForFinished(1000);
    child_->deleteLater();
    child_ = nullptr;
  }
  buffer_.clear();
}

void TReviewPlayer::Fail(const QString& reason) {
  Stop();
  emit Failed(ToQ(Tr(strPlayFailed, {FromQ(reason)})));
}

}  // namespace quillot::gui
