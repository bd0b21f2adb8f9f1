// The --report file: one row per recovered file, as TSV, or JSON when the name ends in .json (any case).
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
// ... and goes on so, its first line and the start of its title the same in every version, so that no
// other drawing passes for one of our maps.
inline constexpr std::string_view kMapFirstLineRest =
    " width=\"1000\" height=\"170\" viewBox=\"0 0 1000 170\" font-family=\"sans-serif\" font-size=\"12\">\n";
inline constexpr std::string_view kMapTitleStart = "<title>Sectors ";

// How much of an existing file's head is read to tell whether it is one of our reports or maps: enough
// for a JSON report's first name, escaped, and the key after it.
inline constexpr size_t kHeadBytes = 2048;

// The report (or map) as checked and created before the pass.
struct TReportFile {
  std::string Path;  // absolute
  bool Json = false;
  uint64_t Device = 0;   // the file the pass must leave alone: device and inode, or on Windows its
  uint64_t Inode = 0;    // volume serial and file index
  bool Created = false;  // made by this run (empty), not an earlier report
  uint64_t Links = 1;    // an earlier report's names (hard links) when the run began
};

// Checks the report's path and creates the file before the pass: only a regular file, new or an
// earlier report; never a folder, a named pipe, a device, a socket, a symbolic link, the source, a file
// on the source drive, an existing file that is not a report (an empty one included) or the file
// given as apart (the map). Answers the reason it cannot be.
std::optional<std::string> PrepareReport(const std::string& path, char sourceLetter, TReportFile& report,
                                         const TReportFile* apart = nullptr);

// The --map file, checked the same way: it may replace only an earlier map, and never the report.
std::optional<std::string> PrepareMap(const std::string& path, char sourceLetter, TReportFile& map,
                                      const TReportFile* apart = nullptr);

// Both checks, as each system makes them: what names the file in messages, whether an existing file's
// first bytes (up to kHeadBytes) show one the run may replace, and the file it must not be (or null).
// Nothing is opened so that it could block, nor through a link.
std::optional<std::string> PrepareOutputFile(const std::string& path, char sourceLetter, const char* what,
                                             bool (*holdsOne)(std::string_view head), TReportFile& file,
                                             const TReportFile* apart);

// Removes the empty file PrepareOutputFile created for this run, when it is still that file and still
// empty: a report or map that could not be written, or a run that ends before writing it, leaves no
// 0-byte file behind. Answers whether it was removed.
bool RemoveCreatedFile(const TReportFile& file);

// Writes the report or map (what) beside it and renames it over the name, so an earlier one stays whole
// when the writing fails; a file this run created and could not fill is removed. error says what
// happened: "the report PATH could not be written (...); the earlier report there is left as it was".
bool WriteOutputFile(const TReportFile& file, const char* what, std::string_view contents, std::string& error);

// Whether a report of this name is JSON: its extension is .json in any case.
bool IsJsonReportPath(std::string_view path);

// Whether the first bytes of a file show one of our reports, or one of our maps (any version's).
bool HoldsAReport(std::string_view head);
bool HoldsAMap(std::string_view head);

// A TSV field: a backslash as \\, a tab as \t, a line feed as \n, a carriage return as \r, and every
// other control character (U+0000-U+001F, U+007F-U+009F) and every byte that is not part of UTF-8 as
// \xHH, one escape per byte; the rest as it is. Undoing the escapes gives the bytes back.
std::string TsvEscaped(const std::string& s);

// Text for a terminal: the control characters and the bytes that are not UTF-8 escaped as in TSV, so
// no name can move the cursor, retitle the window or break a line; a backslash stays as it is (paths on
// Windows). With keepBreaks, line feeds and tabs stay as they are (messages laid out in lines).
std::string TerminalText(const std::string& s, bool keepBreaks = false);

// decoded holds each file's decoding (--verify), in the order of files, or is empty.
std::string ReportText(const std::vector<TRecoveredFile>& files, bool json,
                       const std::vector<decode::TDecodeReport>& decoded = {});

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
