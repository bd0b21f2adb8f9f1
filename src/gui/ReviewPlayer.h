// Plays one recovered file: the decoder's pcm child writes samples, a buffer takes them and the sound
// card's sink reads them. A jump restarts the child and skips the samples before the new position.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QAudioSink;
class QIODevice;
class QProcess;
class QTimer;

namespace quillot::gui {

class TReviewPlayer : public QObject {
  Q_OBJECT
 public:
  // program: the decoder (decode::DecoderProgram()), empty when this build has none.
  explicit TReviewPlayer(QString program, QObject* parent = nullptr);
  ~TReviewPlayer() override;

  // Starts playing path from seconds in; errors come as Failed, never thrown. folder: the one the file must
  // lie in ("" for any, decode::TDecodeLimits).
  void Play(const QString& path, uint64_t streamEnd, double seconds = 0, const std::string& folder = "");
  void Stop();
  bool Playing() const { return sink_ != nullptr || child_ != nullptr; }
  // Where playing has reached, in seconds from the file's start.
  double Position() const;

  // How much PCM is held ahead of the sink, about; past it the child is paused until the sink drains.
  static constexpr qsizetype kBufferBytes = 8 << 20;

 signals:
  void PositionChanged(double seconds);
  void Finished();
  void Failed(const QString& reason);

 private:
  void ReadChild();
  void Feed();
  void Fail(const QString& reason);

  QString program_;
  QProcess* child_ = nullptr;
  QAudioSink* sink_ = nullptr;
  QIODevice* sinkDevice_ = nullptr;
  QTimer* feeder_ = nullptr;
  QByteArray buffer_;
  bool headerRead_ = false, childDone_ = false, paused_ = false;
  int rate_ = 0, channels_ = 0;
  qint64 skipBytes_ = 0;
  double startSeconds_ = 0, skipSeconds_ = 0;
};

}  // namespace quillot::gui
