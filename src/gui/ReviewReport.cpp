#include "gui/ReviewReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

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

// "1-3,7" as the report writes sector ranges.
std::vector<uint64_t> SectorList(const QString& text) {
  std::vector<uint64_t> sectors;
  for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const QStringList ends = part.split(QLatin1Char('-'));
    const uint64_t first = ends[0].toULongLong(), last = ends.size() > 1 ? ends[1].toULongLong() : first;
    // A range is bounded by the file it lies in; a wild one is not spelled out.
    for (uint64_t s = first; s <= last && s - first < 1'000'000; ++s) sectors.push_back(s);
  }
  return sectors;
}

// "1000+80,5000+20": each piece's first sector and count.
std::vector<TRecoveredFile::TRun> PieceList(const QString& text) {
  std::vector<TRecoveredFile::TRun> pieces;
  for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const QStringList p = part.split(QLatin1Char('+'));
    if (p.size() == 2) pieces.push_back({p[0].toULongLong(), p[1].toULongLong()});
  }
  return pieces;
}

}  // namespace

bool LoadReviewReport(const QString& path, TReviewReport& report, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = ToQ(Tr(strReviewCannotRead, {FromQ(path), FromQ(file.errorString())}));
    return false;
  }
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
  if (parse.error != QJsonParseError::NoError) {
    error = ToQ(Tr(strReviewNotAReport, {FromQ(path), FromQ(parse.errorString())}));
    return false;
  }
  if (!doc.isArray()) {
    error = ToQ(Tr(strReviewNotAReport, {FromQ(path), "not a list of files"}));
    return false;
  }
  report = {};
  bool any = false;
  for (const QJsonValue& value : doc.array()) {
    const QJsonObject o = value.toObject();
    if (!o.contains(Key(TReportColumn::Name)) || !o.contains(Key(TReportColumn::FirstSector)) ||
        !o.contains(Key(TReportColumn::Sectors))) {
      error = ToQ(Tr(strReviewNotAReport, {FromQ(path), "a row lacks its name or sectors"}));
      return false;
    }
    TReviewFile row;
    TRecoveredFile& f = row.File;
    f.Name = FromQ(o.value(Key(TReportColumn::Name)).toString());
    f.Path = FromQ(o.value(Key(TReportColumn::Path)).toString());
    // A report without paths lies, as a rule, beside the files it lists.
    if (f.Path.empty()) f.Path = FromQ(QFileInfo(path).absoluteDir().filePath(ToQ(f.Name)));
    f.Format = FromQ(o.value(Key(TReportColumn::Format)).toString());
    f.FirstSector = static_cast<uint64_t>(o.value(Key(TReportColumn::FirstSector)).toDouble());
    f.Sectors = static_cast<uint64_t>(o.value(Key(TReportColumn::Sectors)).toDouble());
    f.Bytes = static_cast<uint64_t>(o.value(Key(TReportColumn::Bytes)).toDouble());
    f.UnreadableSectors = SectorList(o.value(Key(TReportColumn::UnreadableSectors)).toString());
    f.Short = o.value(Key(TReportColumn::Short)).toBool();
    f.Pieces = PieceList(o.value(Key(TReportColumn::Pieces)).toString());
    // A verdict no report writes reads as unknown.
    ParseClaim(FromQ(o.value(Key(TReportColumn::Verdict)).toString()),
               FromQ(o.value(Key(TReportColumn::Evidence)).toString()), f);
    // A pass run without --verify says "not checked": such rows are decoded now.
    row.ReportedDecode = o.value(Key(TReportColumn::Decode)).toString();
    if (row.ReportedDecode == QLatin1String("not checked")) row.ReportedDecode.clear();
    if (o.value(Key(TReportColumn::Duration)).isDouble())
      row.ReportedSeconds = o.value(Key(TReportColumn::Duration)).toDouble();
    // Decoding stops where the stream ended; the bytes after it are not judged.
    const auto after = static_cast<uint64_t>(o.value(Key(TReportColumn::BytesAfterEnd)).toDouble());
    if (after > 0 && after < f.Bytes) f.StreamEnd = f.Bytes - after;
    if (!QFile::exists(ToQ(f.Path))) row.State = TReviewFile::TState::Missing;

    uint64_t first = f.FirstSector, end = f.FirstSector + f.Sectors;
    for (const TRecoveredFile::TRun& piece : f.Pieces) {
      first = std::min(first, piece.First);
      end = std::max(end, piece.First + piece.Count);
    }
    report.FirstSector = any ? std::min(report.FirstSector, first) : first;
    report.EndSector = std::max(report.EndSector, end);
    any = true;
    report.Files.push_back(std::move(row));
  }
  return true;
}

}  // namespace quillot::gui
