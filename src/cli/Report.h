// The --report file: one row per recovered file, as TSV, or JSON when the name ends in .json.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RecoveryView.h"

namespace quillot::cli {

// The first five columns are those of every report this program ever wrote.
inline constexpr std::string_view kTsvFirstColumns = "name\tformat\tfirst_sector\tsectors\tbytes";

// The report as checked and created before the pass.
struct TReportFile {
  std::string Path;  // absolute
  bool Json = false;
  uint64_t Device = 0;  // the file the pass must leave alone: device and inode, or on Windows its
  uint64_t Inode = 0;   // volume serial and file index
};

// Checks the report's path and creates the file before the pass: never a folder, the source, a file
// on the source drive or an existing file that is not a report. Answers the reason it cannot be.
std::optional<std::string> PrepareReport(const std::string& path, char sourceLetter, TReportFile& report);

std::string ReportText(const std::vector<TRecoveredFile>& files, bool json);
bool WriteReport(const TReportFile& report, const std::vector<TRecoveredFile>& files, std::string& error);

// "whole", "cut short", "damaged", "unknown"; "checksums", "structure", "none".
const char* VerdictText(TVerdict verdict);
const char* EvidenceText(TEvidence evidence);

// The sectors a trimmed file left unwritten after its end, as a range ("120-4095"), or "" for none.
std::string UnwrittenRun(const TRecoveredFile& file);

// Sector numbers in ascending order as ranges: "7,12-15".
std::string SectorRanges(const std::vector<uint64_t>& sectors);

}  // namespace quillot::cli
