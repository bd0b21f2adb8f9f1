// Decodes recovered files in child processes, one or two at a time, after the pass has ended. A child
// that crashes or hangs costs its own row only: the window never waits on it.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <deque>
#include <string>

#include "decode/DecodeCheck.h"

class QProcess;

namespace quillot::gui {

class TDecodeQueue : public QObject {
  Q_OBJECT
 public:
  // program: the decoder (decode::DecoderProgram()); empty when this build has none.
  explicit TDecodeQueue(QString program, QObject* parent = nullptr);
  ~TDecodeQueue() override;

  // The limits of every child; a Time left 0 is figured for each file from its length
  // (decode::LimitsForFile), and the window's own timer gives it a second more.
  void SetLimits(const decode::TDecodeLimits& limits) { limits_ = limits; }
  // How many children run at once.
  void SetParallel(int children) { parallel_ = std::max(1, children); }
  // The row's file joins the queue; folder: the one it must lie in ("" for any, decode::TDecodeLimits).
  void Add(int row, const std::string& path, uint64_t streamEnd, const std::string& folder = "");
  bool Idle() const { return waiting_.empty() && running_ == 0; }

 signals:
  void Started(int row);
  void Answered(int row, const quillot::decode::TDecodeReport& report);

 private:
  struct TJob {
    int Row;
    std::string Path;
    uint64_t StreamEnd;
    std::string Folder;
  };
  void StartNext();
  void Finish(QProcess* child, int row, decode::TDecodeReport report);

  QString program_;
  decode::TDecodeLimits limits_;
  int parallel_ = 2;
  int running_ = 0;
  std::deque<TJob> waiting_;
};

}  // namespace quillot::gui
