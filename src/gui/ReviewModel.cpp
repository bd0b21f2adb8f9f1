#include "gui/ReviewModel.h"

#include <QPointF>
#include <QVariantList>

#include "engine/FileClaim.h"
#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

TReviewModel::TReviewModel(std::vector<TReviewFile> files, QObject* parent)
    : QAbstractTableModel(parent), files_(std::move(files)) {}

int TReviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

int TReviewModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString TReviewModel::VerdictText(const TRecoveredFile& file) { return ToQ(ClaimWords(file)); }

QString TReviewModel::DurationText(double seconds) {
  if (seconds < 0) return {};
  return ToQ(decode::PlayingTime(seconds));
}

QString TReviewModel::RefusedText(decode::TFileRefusal refusal) {
  using decode::TFileRefusal;
  const TMessage& why = refusal == TFileRefusal::Outside ? strRefusedOutside
                        : refusal == TFileRefusal::Link  ? strRefusedLink
                                                         : strRefusedNotRegular;
  return ToQ(Tr(strDecodeRefused, {Tr(why)}));
}

QString TReviewModel::DecodeText(const TReviewFile& file) {
  using decode::TDecodeOutcome;
  switch (file.State) {
    case TReviewFile::TState::Missing: return ToQ(Tr(strDecodeFileMissing));
    case TReviewFile::TState::Refused: return RefusedText(file.Refusal);
    case TReviewFile::TState::Waiting: return ToQ(Tr(strDecodeWaiting));
    case TReviewFile::TState::Checking: return ToQ(Tr(strDecodeChecking));
    case TReviewFile::TState::NotChecked:
      return file.ReportedDecode.isEmpty() ? ToQ(Tr(strDecodeNotChecked)) : file.ReportedDecode;
    case TReviewFile::TState::Answered: break;
  }
  switch (file.Decode.Outcome) {
    case TDecodeOutcome::PlaysToEnd: return ToQ(Tr(strDecodePlaysToEnd));
    case TDecodeOutcome::Breaks: return ToQ(Tr(strDecodeBreaksAt, {FromQ(DurationText(file.Decode.BreakSeconds))}));
    case TDecodeOutcome::NoAudio: return ToQ(Tr(strDecodeNoAudio));
    case TDecodeOutcome::Crashed: return ToQ(Tr(strDecodeCrashed));
    case TDecodeOutcome::TimedOut: return ToQ(Tr(strDecodeTimedOut));
    case TDecodeOutcome::NotChecked: break;
  }
  return ToQ(Tr(strDecodeNotChecked));
}

namespace {
double Seconds(const TReviewFile& f) {
  if (f.State == TReviewFile::TState::Answered && f.Decode.Outcome != decode::TDecodeOutcome::Crashed &&
      f.Decode.Outcome != decode::TDecodeOutcome::TimedOut && f.Decode.Outcome != decode::TDecodeOutcome::NoAudio)
    return f.Decode.Seconds;
  return f.ReportedSeconds;
}
}  // namespace

QVariant TReviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TReviewFile& f = File(index.row());
  if (role == kEnvelopeRole) {
    QVariantList points;
    if (f.State == TReviewFile::TState::Answered)
      for (const decode::TEnvelopePoint& p : f.Decode.Envelope) points.append(QPointF(p.Peak, p.Rms));
    return points;
  }
  if (role == Qt::TextAlignmentRole) {
    const bool figure = index.column() == kDuration || index.column() == kSize || index.column() == kFirstSector;
    return int((figure ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole && role != kSortRole && role != Qt::ToolTipRole) return {};
  const bool sort = role == kSortRole;
  switch (index.column()) {
    case kName: return role == Qt::ToolTipRole ? ToQ(f.File.Path) : ToQ(f.File.Name);
    case kFormat: return ToQ(f.File.Format);
    case kVerdict: return VerdictText(f.File);
    case kDecode:
      if (role == Qt::ToolTipRole) return ToQ(f.Decode.Error);
      return DecodeText(f);
    case kDuration: return sort ? QVariant(Seconds(f)) : QVariant(DurationText(Seconds(f)));
    case kSize: return sort ? QVariant(qulonglong(f.File.Bytes)) : QVariant(QString::number(f.File.Bytes));
    case kFirstSector:
      return sort ? QVariant(qulonglong(f.File.FirstSector)) : QVariant(QString::number(f.File.FirstSector));
    case kWaveform:
      // Louder files sort after quieter ones.
      if (sort) {
        double peak = 0;
        for (const decode::TEnvelopePoint& p : f.Decode.Envelope) peak = std::max(peak, double(p.Peak));
        return peak;
      }
      return {};
    default: return {};
  }
}

QVariant TReviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const QStringList names = ToQ(Tr(strReviewColumns)).split(QLatin1Char('|'));
  return section < names.size() ? names[section] : QString();
}

void TReviewModel::ChangedRow(int row) { emit dataChanged(index(row, 0), index(row, kColumns - 1)); }

void TReviewModel::SetState(int row, TReviewFile::TState state) {
  files_[static_cast<size_t>(row)].State = state;
  ChangedRow(row);
}

void TReviewModel::SetDecode(int row, const decode::TDecodeReport& report) {
  TReviewFile& f = files_[static_cast<size_t>(row)];
  f.Decode = report;
  if (f.File.Verdict == TVerdict::CutShort) decode::JudgeCutShort(f.Decode, f.File.Bytes);
  // The decoder checked the sum of the whole content a file in pieces waited for.
  ApplyContentSum(f.File, f.Decode.ContentSum);
  f.State = TReviewFile::TState::Answered;
  ChangedRow(row);
}

}  // namespace quillot::gui
