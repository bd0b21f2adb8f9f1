#include "gui/ReviewReport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "engine/FileClaim.h"
#include "engine/ReportColumns.h"
#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

namespace {
// A column's key, as the report's writer names it.
QLatin1String Key(TReportColumn column) {
  const std::string_view name = ReportColumnName(column);
  return QLatin1String(name.data(), static_cast<qsizetype>(name.size()));
}

// A sector number as the lists write it: digits alone, at most kReportMostNumber.
bool Sector(QStringView text, uint64_t& out) {
  if (text.isEmpty() || text.size() > 19) return false;
  uint64_t value = 0;  // 19 digits stay below 2^64
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    value = value * 10 + static_cast<uint64_t>(c.unicode() - '0');
  }
  if (value > kReportMostNumber) return false;
  out = value;
  return true;
}

// "7" or "40-41": a run of sectors, its first no later than its last.
bool Range(QStringView text, uint64_t& first, uint64_t& last) {
  const qsizetype dash = text.indexOf(QLatin1Char('-'));
  if (dash < 0) return Sector(text, first) && Sector(text, last);
  return Sector(text.left(dash), first) && Sector(text.mid(dash + 1), last) && first <= last;
}

// One row's fields, each checked as it is read; the first that breaks a bound is the row's refusal.
class TRowReader {
 public:
  TRowReader(const QJsonObject& object, size_t row) : o_(object), row_(std::to_string(row + 1)) {}

  const QString& Error() const { return error_; }

  // A whole number from 0 to most; absent, 0 (or a refusal when required).
  uint64_t Number(TReportColumn column, uint64_t most, bool required = false) {
    const QJsonValue v = o_.value(Key(column));
    if (v.isUndefined()) {
      if (required) Fail(strReviewRowLacks, column);
      return 0;
    }
    const qint64 n = v.isDouble() ? v.toInteger(-1) : -1;
    if (n < 0 || static_cast<uint64_t>(n) > most) {
      Fail(strReviewBadNumber, column, std::to_string(most));
      return 0;
    }
    return static_cast<uint64_t>(n);
  }

  // A text of at most most characters, no null among them; absent, "" (or a refusal when required).
  QString Text(TReportColumn column, qsizetype most, bool required = false) {
    const QJsonValue v = o_.value(Key(column));
    if (v.isUndefined() || (required && v.isString() && v.toString().isEmpty())) {
      if (required) Fail(strReviewRowLacks, column);
      return {};
    }
    const QString text = v.toString();
    if (!v.isString() || text.size() > most || text.contains(QChar(0))) {
      Fail(strReviewBadText, column, std::to_string(most));
      return {};
    }
    return text;
  }

  bool YesNo(TReportColumn column) {
    const QJsonValue v = o_.value(Key(column));
    if (v.isUndefined()) return false;
    if (!v.isBool()) Fail(strReviewBadYesNo, column);
    return v.toBool();
  }

  // A playing time in seconds, or -1 for none (null or absent).
  double Seconds(TReportColumn column) {
    const QJsonValue v = o_.value(Key(column));
    if (v.isUndefined() || v.isNull()) return -1;
    const double seconds = v.toDouble(-1);
    if (!v.isDouble() || !std::isfinite(seconds) || seconds < 0 || seconds > kReportMostSeconds) {
      Fail(strReviewBadSeconds, column, std::to_string(static_cast<uint64_t>(kReportMostSeconds)));
      return -1;
    }
    return seconds;
  }

  // "1000+80,5000+20": each piece's first sector and count, at most kReportMostPieces, each ending below
  // 2^63.
  std::vector<TRecoveredFile::TRun> Pieces() {
    std::vector<TRecoveredFile::TRun> pieces;
    const QString text = Text(TReportColumn::Pieces, kReportMostBytes);
    if (text.isEmpty()) return pieces;
    for (const QStringView part : QStringView(text).split(QLatin1Char(','))) {
      if (pieces.size() == kReportMostPieces) {
        Fail(strReviewTooManyPieces, TReportColumn::Pieces, std::to_string(kReportMostPieces));
        return {};
      }
      const qsizetype plus = part.indexOf(QLatin1Char('+'));
      TRecoveredFile::TRun piece;
      if (plus < 0 || !Sector(part.left(plus), piece.First) || !Sector(part.mid(plus + 1), piece.Count) ||
          piece.Count > kReportMostNumber - piece.First) {
        Fail(strReviewBadSectors, TReportColumn::Pieces);
        return {};
      }
      pieces.push_back(piece);
    }
    return pieces;
  }

  // The run left unwritten after a trimmed file's end ("120-4095").
  TRecoveredFile::TRun Unwritten() {
    const QString text = Text(TReportColumn::UnwrittenSectors, kReportMostKey);
    uint64_t first = 0, last = 0;
    if (text.isEmpty()) return {};
    if (!Range(text, first, last)) {
      Fail(strReviewBadSectors, TReportColumn::UnwrittenSectors);
      return {};
    }
    return {first, last - first + 1};
  }

  // "1-3,7": the sectors spelled out, no more than most of them.
  std::vector<uint64_t> SectorList(TReportColumn column, uint64_t most) {
    std::vector<uint64_t> sectors;
    const QString text = Text(column, kReportMostBytes);
    if (text.isEmpty()) return sectors;
    uint64_t count = 0;
    for (const QStringView part : QStringView(text).split(QLatin1Char(','))) {
      uint64_t first = 0, last = 0;
      if (!Range(part, first, last)) {
        Fail(strReviewBadSectors, column);
        return {};
      }
      // Counted before a sector is held: a wild range is refused, never spelled out.
      if (last - first >= most - count) {
        Fail(strReviewTooManySectors, column, std::to_string(most));
        return {};
      }
      count += last - first + 1;
      for (uint64_t s = first;; ++s) {
        sectors.push_back(s);
        if (s == last) break;
      }
    }
    return sectors;
  }

 private:
  void Fail(const TMessage& message, TReportColumn column, const std::string& bound = "") {
    if (!error_.isEmpty()) return;
    const std::string_view field = ReportColumnName(column);
    error_ = ToQ(bound.empty() ? Tr(message, {row_, field}) : Tr(message, {row_, field, bound}));
  }

  const QJsonObject& o_;
  const std::string row_;
  QString error_;
};
}  // namespace

bool ParseReviewReport(const QByteArray& text, const QString& path, TReviewReport& report, QString& error) {
  const auto refuse = [&](const std::string& reason) {
    error = ToQ(Tr(strReviewNotAReport, {FromQ(path), reason}));
    report = {};
    return false;
  };
  if (text.size() > kReportMostBytes) return refuse(Tr(strReviewTooLarge, {std::to_string(kReportMostBytes)}));
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(text, &parse);
  if (parse.error != QJsonParseError::NoError) return refuse(FromQ(parse.errorString()));
  if (!doc.isArray()) return refuse("not a list of files");
  const QJsonArray rows = doc.array();
  if (static_cast<size_t>(rows.size()) > kReportMostRows)
    return refuse(Tr(strReviewTooManyRows, {std::to_string(kReportMostRows)}));
  report = {};
  const QDir folder = QFileInfo(path).absoluteDir();
  report.Folder = FromQ(folder.absolutePath());
  uint64_t unreadableLeft = kReportMostUnreadable;
  for (qsizetype i = 0; i < rows.size(); ++i) {
    const QJsonObject o = rows[i].toObject();
    TRowReader read(o, static_cast<size_t>(i));
    TReviewFile row;
    row.Folder = report.Folder;
    TRecoveredFile& f = row.File;
    f.Name = FromQ(read.Text(TReportColumn::Name, kReportMostName, true));
    f.FirstSector = read.Number(TReportColumn::FirstSector, kReportMostNumber, true);
    f.Sectors = read.Number(TReportColumn::Sectors, kReportMostNumber - f.FirstSector, true);
    f.Path = FromQ(read.Text(TReportColumn::Path, kReportMostPath));
    // A report without paths lies, as a rule, beside the files it lists.
    if (f.Path.empty() && !f.Name.empty()) f.Path = FromQ(folder.filePath(ToQ(f.Name)));
    f.Format = FromQ(read.Text(TReportColumn::Format, kReportMostKey));
    f.Bytes = read.Number(TReportColumn::Bytes, kReportMostNumber);
    f.Short = read.YesNo(TReportColumn::Short);
    f.Pieces = read.Pieces();
    // A file's unreadable sectors lie among those it spans, written or left unwritten after its end.
    f.Unwritten = read.Unwritten();
    const uint64_t own = f.Sectors + f.Unwritten.Count;
    f.UnreadableSectors = read.SectorList(TReportColumn::UnreadableSectors, std::min(own, unreadableLeft));
    unreadableLeft -= std::min<uint64_t>(f.UnreadableSectors.size(), unreadableLeft);
    // A verdict no report writes reads as unknown.
    const QString verdict = read.Text(TReportColumn::Verdict, kReportMostKey);
    const QString evidence = read.Text(TReportColumn::Evidence, kReportMostKey);
    ParseClaim(FromQ(verdict), FromQ(evidence), f);
    // A pass run without --verify says "not checked": such rows are decoded now.
    row.ReportedDecode = read.Text(TReportColumn::Decode, kReportMostWords);
    if (row.ReportedDecode == QLatin1String("not checked")) row.ReportedDecode.clear();
    row.ReportedSeconds = read.Seconds(TReportColumn::Duration);
    // Decoding stops where the stream ended; the bytes after it are not judged.
    const uint64_t after = read.Number(TReportColumn::BytesAfterEnd, f.Bytes);
    if (after > 0 && after < f.Bytes) f.StreamEnd = f.Bytes - after;
    if (!read.Error().isEmpty()) return refuse(FromQ(read.Error()));

    uint64_t first = f.FirstSector, end = f.FirstSector + f.Sectors;
    for (const TRecoveredFile::TRun& piece : f.Pieces) {
      first = std::min(first, piece.First);
      end = std::max(end, piece.First + piece.Count);
    }
    report.FirstSector = i > 0 ? std::min(report.FirstSector, first) : first;
    report.EndSector = std::max(report.EndSector, end);
    report.Files.push_back(std::move(row));
  }
  return true;
}

bool LoadReviewReport(const QString& path, TReviewReport& report, QString& error) {
  const auto cannot = [&](const std::string& reason) {
    error = ToQ(Tr(strReviewCannotRead, {FromQ(path), reason}));
    return false;
  };
  // The report is the user's own choice, links and all; but a pipe must not block us, nor a device or
  // an endless file be read whole.
  const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return cannot(std::strerror(errno));
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return cannot(Tr(strRefusedNotRegular));
  }
  if (st.st_size > kReportMostBytes) {
    close(fd);
    return cannot(Tr(strReviewTooLarge, {std::to_string(kReportMostBytes)}));
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    return cannot(FromQ(file.errorString()));
  }
  // One byte past the bound tells a file that grew meanwhile.
  const QByteArray text = file.read(kReportMostBytes + 1);
  if (!ParseReviewReport(text, path, report, error)) return false;
  for (TReviewFile& row : report.Files) {
    decode::TFileRefusal refusal;
    std::string why;
    const int opened = decode::OpenToDecode(row.File.Path, row.Folder, refusal, why);
    if (opened >= 0) close(opened);
    if (refusal == decode::TFileRefusal::Missing) row.State = TReviewFile::TState::Missing;
    // One the system will not let us read is the decoder's to tell.
    if (refusal == decode::TFileRefusal::Link || refusal == decode::TFileRefusal::NotRegular ||
        refusal == decode::TFileRefusal::Outside) {
      row.State = TReviewFile::TState::Refused;
      row.Refusal = refusal;
    }
  }
  return true;
}

}  // namespace quillot::gui
