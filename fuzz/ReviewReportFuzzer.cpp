// The review window's report reader (quillot --review) on any bytes: a report it refuses says why and
// leaves nothing behind; a report it reads keeps every bound gui/ReviewReport.h promises, row by row, and
// reads the same again.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "gui/ReviewReport.h"

using namespace quillot;
using namespace quillot::gui;

namespace {
// A text the reader kept: at most most characters (UTF-8 holds one in up to 3 bytes), no null.
bool TextWithin(const std::string& text, qsizetype most) {
  return text.size() <= static_cast<size_t>(most) * 3 && text.find('\0') == std::string::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString path = QStringLiteral("/reports/r.json");
  TReviewReport report;
  QString error;
  if (!ParseReviewReport(text, path, report, error)) {
    FUZZ_CHECK(!error.isEmpty(), "a refusal says why");
    FUZZ_CHECK(error.contains(path), "a refusal names the report");
    FUZZ_CHECK(report.Files.empty(), "a refused report holds no rows");
    return 0;
  }
  FUZZ_CHECK(error.isEmpty(), "a report read has no complaint");
  FUZZ_CHECK(report.Folder == "/reports", "the report's folder is the one it lies in");
  FUZZ_CHECK(report.Files.size() <= kReportMostRows, "rows");
  uint64_t unreadable = 0;
  uint64_t first = kReportMostNumber, end = 0;
  for (const TReviewFile& row : report.Files) {
    const TRecoveredFile& f = row.File;
    FUZZ_CHECK(row.State == TReviewFile::TState::NotChecked, "reading touches no file");
    FUZZ_CHECK(row.Folder == report.Folder, "each file keeps to the report's folder");
    FUZZ_CHECK(!f.Name.empty() && TextWithin(f.Name, kReportMostName), "name");
    FUZZ_CHECK(!f.Path.empty() && TextWithin(f.Path, kReportMostPath + kReportMostName + 16), "path");
    FUZZ_CHECK(TextWithin(f.Format, kReportMostKey), "format");
    FUZZ_CHECK(row.ReportedDecode.size() <= kReportMostWords, "decode");
    FUZZ_CHECK(f.FirstSector <= kReportMostNumber, "first sector below 2^63");
    FUZZ_CHECK(f.Sectors <= kReportMostNumber - f.FirstSector, "the file ends below 2^63");
    FUZZ_CHECK(f.Bytes <= kReportMostNumber, "bytes below 2^63");
    FUZZ_CHECK(f.StreamEnd < f.Bytes || f.StreamEnd == 0, "the stream ends inside the file");
    FUZZ_CHECK(f.Unwritten.Count <= kReportMostNumber + 1 && f.Unwritten.First <= kReportMostNumber, "unwritten");
    FUZZ_CHECK(f.Pieces.size() <= kReportMostPieces, "pieces");
    uint64_t fileFirst = f.FirstSector, fileEnd = f.FirstSector + f.Sectors;
    for (const TRecoveredFile::TRun& piece : f.Pieces) {
      FUZZ_CHECK(piece.First <= kReportMostNumber && piece.Count <= kReportMostNumber - piece.First,
                 "a piece ends below 2^63");
      fileFirst = std::min(fileFirst, piece.First);
      fileEnd = std::max(fileEnd, piece.First + piece.Count);
    }
    // Never more unreadable sectors than the file spans (written, or left unwritten after its end).
    FUZZ_CHECK(f.UnreadableSectors.size() <= f.Sectors + f.Unwritten.Count, "unreadable sectors are the file's own");
    for (const uint64_t s : f.UnreadableSectors) FUZZ_CHECK(s <= kReportMostNumber, "an unreadable sector");
    unreadable += f.UnreadableSectors.size();
    FUZZ_CHECK(row.ReportedSeconds == -1 || (std::isfinite(row.ReportedSeconds) && row.ReportedSeconds >= 0 &&
                                             row.ReportedSeconds <= kReportMostSeconds),
               "a playing time, or none");
    first = std::min(first, fileFirst);
    end = std::max(end, fileEnd);
  }
  FUZZ_CHECK(unreadable <= kReportMostUnreadable, "the report's unreadable sectors, all told");
  if (!report.Files.empty()) {
    FUZZ_CHECK(report.FirstSector == first && report.EndSector == end, "the sectors the report covers");
    FUZZ_CHECK(report.FirstSector <= report.EndSector && report.EndSector <= kReportMostNumber, "the span");
  }

  // The same bytes read again give the same rows.
  TReviewReport again;
  QString againError;
  FUZZ_CHECK(ParseReviewReport(text, path, again, againError), "a report reads again");
  FUZZ_CHECK(again.Files.size() == report.Files.size(), "the same rows");
  for (size_t i = 0; i < again.Files.size(); ++i) {
    const TRecoveredFile &a = again.Files[i].File, &b = report.Files[i].File;
    FUZZ_CHECK(a.Name == b.Name && a.Path == b.Path && a.FirstSector == b.FirstSector && a.Sectors == b.Sectors &&
                   a.UnreadableSectors == b.UnreadableSectors && a.Verdict == b.Verdict,
               "the same row");
  }
  return 0;
}
