// The columns of the report of recovered files (quillot-cli's --report, read back by the review window), in
// their order: one table for the writer and the reader. Each names its JSON key and TSV heading and the kind of
// value it holds. A new column goes at the end, so every report written before still reads.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quillot {

enum class TReportColumn : size_t {
  Name,
  Format,
  FirstSector,
  Sectors,
  Bytes,
  UnreadableSectors,  // "7,40-41"
  Short,              // a write failed
  Verdict,            // engine/FileClaim.h: ClaimKey
  Evidence,
  UnwrittenSectors,  // after a trimmed file's end, up to the next start
  Pieces,            // "97+12,129+4"
  Duration,          // seconds, or none when not decoded
  Decode,
  BytesAfterEnd,
  Path,
};

enum class TReportValue {
  Text,          // a JSON string
  Number,        // a whole number
  YesNo,         // JSON true or false, TSV "yes" or "no"
  NumberOrNone,  // a number, JSON null or TSV empty when there is none
};

struct TReportColumnInfo {
  std::string_view Name;
  TReportValue Value;
};

inline constexpr std::array<TReportColumnInfo, 15> kReportColumns{{
    {"name", TReportValue::Text},
    {"format", TReportValue::Text},
    {"first_sector", TReportValue::Number},
    {"sectors", TReportValue::Number},
    {"bytes", TReportValue::Number},
    {"unreadable_sectors", TReportValue::Text},
    {"short", TReportValue::YesNo},
    {"verdict", TReportValue::Text},
    {"evidence", TReportValue::Text},
    {"unwritten_sectors", TReportValue::Text},
    {"pieces", TReportValue::Text},
    {"duration", TReportValue::NumberOrNone},
    {"decode", TReportValue::Text},
    {"bytes_after_end", TReportValue::Number},
    {"path", TReportValue::Text},
}};

constexpr const TReportColumnInfo& ReportColumn(TReportColumn column) {
  return kReportColumns[static_cast<size_t>(column)];
}
constexpr std::string_view ReportColumnName(TReportColumn column) { return ReportColumn(column).Name; }

}  // namespace quillot
