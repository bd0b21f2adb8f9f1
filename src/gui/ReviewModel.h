// The rows of the review window: every file of a pass (or of an earlier pass's report) with its verdict
// and, once the decoder has answered, how it plays.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "gui/ReviewFile.h"

namespace quillot::gui {

class TReviewModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TColumn { kName, kFormat, kVerdict, kDecode, kDuration, kSize, kFirstSector, kWaveform, kColumns };
  // What the proxy sorts by: numbers for the figures, the shown text otherwise.
  static constexpr int kSortRole = Qt::UserRole;
  // The waveform column's envelope: a QVariantList of QPointF(peak, rms).
  static constexpr int kEnvelopeRole = Qt::UserRole + 1;

  explicit TReviewModel(std::vector<TReviewFile> files, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const std::vector<TReviewFile>& Files() const { return files_; }
  const TReviewFile& File(int row) const { return files_[static_cast<size_t>(row)]; }
  void SetState(int row, TReviewFile::TState state);
  void SetDecode(int row, const decode::TDecodeReport& report);

  // The words a cell shows, for the table and for tests.
  static QString VerdictText(const TRecoveredFile& file);
  static QString DecodeText(const TReviewFile& file);
  // "not opened: outside the report's folder", and the like.
  static QString RefusedText(decode::TFileRefusal refusal);
  static QString DurationText(double seconds);

 private:
  void ChangedRow(int row);
  std::vector<TReviewFile> files_;
};

}  // namespace quillot::gui
