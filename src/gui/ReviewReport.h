// An earlier pass's JSON report read back for the review window (quillot --review). A report is anyone's
// file: every field is checked as it is read, against the bounds below, and a report that breaks one is
// refused with the field and the row named. Its files are decoded and played only where they lie inside
// the report's own folder (decode/OpenToDecode.h). QtCore alone: the fuzz target review_report runs it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "gui/ReviewFile.h"

namespace quillot::gui {

// The bounds of a report. A sector number, a count of sectors, a number of bytes and a file's last sector
// (first sector plus sectors, each piece's too) stay below 2^63.
inline constexpr uint64_t kReportMostNumber = (uint64_t{1} << 63) - 1;
inline constexpr qsizetype kReportMostBytes = qsizetype{128} << 20;  // the report file itself
inline constexpr size_t kReportMostRows = 1'000'000;
// A file's unreadable sectors are its own, no more than its sectors (written or left unwritten after a
// trimmed end), and all of the report's together no more than this: they are held one by one.
inline constexpr uint64_t kReportMostUnreadable = uint64_t{1} << 24;
// A file is put back together from a few pieces (the pass takes at most 8).
inline constexpr size_t kReportMostPieces = 64;
// A playing time: finite, and the window's slider counts it in tenths in an int.
inline constexpr double kReportMostSeconds = 1e7;
// Texts: a name, a path, the decoder's words, and a format, verdict or evidence key, in characters.
inline constexpr qsizetype kReportMostName = 1024, kReportMostPath = 4096, kReportMostWords = 4096,
                           kReportMostKey = 256;

struct TReviewReport {
  std::vector<TReviewFile> Files;
  // The sectors the report covers: its first file's start to its last file's end.
  uint64_t FirstSector = 0, EndSector = 0;
  // The folder the report lies in: its files are opened only inside it.
  std::string Folder;
};

// The report's text, read as the report at path (its folder finds a file the report gives no path for);
// touches no file. On failure answers false with the message to show in error.
bool ParseReviewReport(const QByteArray& text, const QString& path, TReviewReport& report, QString& error);

// Reads path (a regular file of at most kReportMostBytes) and parses it; then each row whose file is not
// there says so (Missing), and each the window will not open (a link, a device, a pipe, a socket, a folder,
// or outside the report's folder) says why (Refused).
bool LoadReviewReport(const QString& path, TReviewReport& report, QString& error);

}  // namespace quillot::gui
