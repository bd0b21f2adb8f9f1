// The --report file: one row per recovered file, as TSV, or JSON when the name ends in .json.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/DecodeReport.h"
#include "engine/RecoveryView.h"

namespace quillot::cli {

// The first five columns are those of every report this program ever wrote.
inline constexpr std::string_view kTsvFirstColumns = "name\tformat\tfirst_sector\tsectors\tbytes";

// Every map this program writes begins so (--map).
inline constexpr std::string_view kMapFirstBytes = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"quillot-map\"";

// The report as checked and created before the pass.
struct TReportFile {
  std::string Path;  // absolute
  bool Json = false;
  uint64_t Device = 0;   // the file the pass must leave alone: device and inode, or on Windows its
  uint64_t Inode = 0;    // volume serial and file index
  bool Created = false;  // made by this run, not an earlier report
};

// Checks the report's path and creates the file before the pass: never a folder, the source, a file
// on the source drive or an existing file that is not a report. Answers the reason it cannot be.
std::optional<std::string> PrepareReport(const std::string& path, char sourceLetter, TReportFile& report);

// The --map file, checked the same way: it may replace only an earlier map.
std::optional<std::string> PrepareMap(const std::string& path, char sourceLetter, TReportFile& map);

// Both checks, as each system makes them: what names the file in messages, and whether an existing
// file's first bytes (up to 127) show one the run may replace.
std::optional<std::string> PrepareOutputFile(const std::string& path, char sourceLetter, const char* what,
                                             bool (*holdsOne)(std::string_view head), TReportFile& file);

// decoded holds each file's decoding (--verify), in the order of files, or is empty.
std::string ReportText(const std::vector<TRecoveredFile>& files, bool json,
                       const std::vector<decode::TDecodeReport>& decoded = {});
bool WriteReport(const TReportFile& report, const std::vector<TRecoveredFile>& files,
                 const std::vector<decode::TDecodeReport>& decoded, std::string& error);

// The playing time as the report writes it, seconds to three decimals ("4.236"); "" when not decoded.
std::string DurationText(const decode::TDecodeReport& report);

// The sectors a trimmed file left unwritten after its end, as a range ("120-4095"), or "" for none.
std::string UnwrittenRun(const TRecoveredFile& file);

// The length of the UTF-8 sequence at s[i], or 0 when the bytes there are not one (overlong forms,
// surrogates and code points past U+10FFFF included).
size_t Utf8Length(const std::string& s, size_t i);

// Sector numbers in ascending order as ranges: "7,12-15".
std::string SectorRanges(const std::vector<uint64_t>& sectors);

}  // namespace quillot::cli
