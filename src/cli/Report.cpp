#include "cli/Report.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "engine/FileClaim.h"
#include "engine/ReportColumns.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"
#include "util/Text.h"

namespace quillot::cli {

namespace {
// Whether the UTF-8 sequence of n bytes at s[i] is a C1 control character, U+0080 to U+009F.
bool IsC1Control(const std::string& s, size_t i, size_t n) {
  return n == 2 && static_cast<unsigned char>(s[i]) == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
}

// The TSV heading line: the columns' names.
std::string TsvHeader() {
  std::string header;
  for (const TReportColumnInfo& column : kReportColumns)
    header += (header.empty() ? "" : "\t") + std::string(column.Name);
  return header + "\n";
}

// A JSON string of any bytes. A byte that is not part of UTF-8 is written as the lone surrogate
// U+DC00 + byte (\udc80-\udcff), which no UTF-8 text yields, so the bytes can be had back. Control
// characters (C0, DEL and C1) are written as \u escapes, so none reaches a terminal that shows the file.
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  char esc[8];
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = Utf8Length(s, i);
    if (n == 0) {
      std::snprintf(esc, sizeof esc, "\\udc%02x", c);
      out += esc;
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else if (IsC1Control(s, i, n)) {
      std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned char>(s[i + 1]));
      out += esc;
    } else {
      out.append(s, i, n);
    }
    i += n;
  }
  return out + "\"";
}

}  // namespace

namespace {
// Control characters and bytes that are not UTF-8, each byte as \t, \n, \r or \xHH; a backslash
// doubled where escapes must be undone (TSV); line feeds and tabs kept where asked.
std::string Escaped(const std::string& s, bool doubleBackslash, bool keepBreaks) {
  std::string out;
  out.reserve(s.size());
  char esc[8];
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = Utf8Length(s, i);
    if (n == 0 || c < 0x20 || c == 0x7F || IsC1Control(s, i, n)) {
      for (size_t k = 0; k < (n ? n : 1); ++k) {
        const unsigned char b = static_cast<unsigned char>(s[i + k]);
        if (keepBreaks && (b == '\n' || b == '\t'))
          out += static_cast<char>(b);
        else if (b == '\t')
          out += "\\t";
        else if (b == '\n')
          out += "\\n";
        else if (b == '\r')
          out += "\\r";
        else {
          std::snprintf(esc, sizeof esc, "\\x%02x", b);
          out += esc;
        }
      }
      i += n ? n : 1;
      continue;
    }
    if (c == '\\' && doubleBackslash)
      out += "\\\\";
    else
      out.append(s, i, n);
    i += n;
  }
  return out;
}
}  // namespace

std::string TsvEscaped(const std::string& s) { return Escaped(s, true, false); }

std::string TerminalText(const std::string& s, bool keepBreaks) { return Escaped(s, false, keepBreaks); }

size_t Utf8Length(const std::string& s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  if (n == 3 && c == 0xE0 && byte(i + 1) < 0xA0) return 0;   // overlong
  if (n == 3 && c == 0xED && byte(i + 1) >= 0xA0) return 0;  // a surrogate
  if (n == 4 && c == 0xF0 && byte(i + 1) < 0x90) return 0;   // overlong
  if (n == 4 && c == 0xF4 && byte(i + 1) >= 0x90) return 0;  // past U+10FFFF
  return n;
}

std::string UnwrittenRun(const TRecoveredFile& f) {
  if (f.Unwritten.Count == 0) return "";
  const uint64_t last = f.Unwritten.First + f.Unwritten.Count - 1;
  return std::to_string(f.Unwritten.First) + (f.Unwritten.Count > 1 ? "-" + std::to_string(last) : "");
}

std::string SectorRanges(const std::vector<uint64_t>& sectors) {
  std::string out;
  for (size_t i = 0; i < sectors.size();) {
    size_t j = i;
    while (j + 1 < sectors.size() && sectors[j + 1] == sectors[j] + 1) ++j;
    if (!out.empty()) out += ',';
    out += std::to_string(sectors[i]);
    if (j > i) out += "-" + std::to_string(sectors[j]);
    i = j + 1;
  }
  return out;
}

// A file put back together: the first sector and sector count of each piece ("1000+80,5000+20").
std::string PieceList(const TRecoveredFile& f) {
  std::string out;
  for (const auto& piece : f.Pieces)
    out += (out.empty() ? "" : ",") + std::to_string(piece.First) + "+" + std::to_string(piece.Count);
  return out;
}

std::string DurationText(const decode::TDecodeReport& r) {
  using decode::TDecodeOutcome;
  if (r.Outcome == TDecodeOutcome::NotChecked || r.Outcome == TDecodeOutcome::NoAudio ||
      r.Outcome == TDecodeOutcome::Crashed || r.Outcome == TDecodeOutcome::TimedOut)
    return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", r.Seconds);
  return text;
}

namespace {
// The bytes after the stream's end: as the decoder counted them, or from where the unit said it ended.
uint64_t BytesAfterEnd(const TRecoveredFile& f, const decode::TDecodeReport& r) {
  if (r.Outcome != decode::TDecodeOutcome::NotChecked) return r.BytesAfterEnd;
  return f.StreamEnd > 0 && f.StreamEnd < f.Bytes ? f.Bytes - f.StreamEnd : 0;
}
}  // namespace

namespace {
// A file's cells, column by column: numbers as digits, yes/no as "yes" or "no", a missing number empty.
std::array<std::string, kReportColumns.size()> Cells(const TRecoveredFile& f, const decode::TDecodeReport& d) {
  std::array<std::string, kReportColumns.size()> cells;
  const auto cell = [&](TReportColumn c) -> std::string& { return cells[static_cast<size_t>(c)]; };
  cell(TReportColumn::Name) = f.Name;
  cell(TReportColumn::Format) = f.Format;
  cell(TReportColumn::FirstSector) = std::to_string(f.FirstSector);
  cell(TReportColumn::Sectors) = std::to_string(f.Sectors);
  cell(TReportColumn::Bytes) = std::to_string(f.Bytes);
  cell(TReportColumn::UnreadableSectors) = SectorRanges(f.UnreadableSectors);
  cell(TReportColumn::Short) = f.Short ? "yes" : "no";
  cell(TReportColumn::Verdict) = ClaimKey(f);
  cell(TReportColumn::Evidence) = EvidenceKey(f.Evidence);
  cell(TReportColumn::UnwrittenSectors) = UnwrittenRun(f);
  cell(TReportColumn::Pieces) = PieceList(f);
  cell(TReportColumn::Duration) = DurationText(d);
  cell(TReportColumn::Decode) = decode::OutcomeText(d);
  cell(TReportColumn::BytesAfterEnd) = std::to_string(BytesAfterEnd(f, d));
  cell(TReportColumn::Path) = f.Path;
  return cells;
}

std::string JsonValue(const TReportColumnInfo& column, const std::string& cell) {
  switch (column.Value) {
    case TReportValue::Text: return JsonString(cell);
    case TReportValue::YesNo: return cell == "yes" ? "true" : "false";
    case TReportValue::NumberOrNone: return cell.empty() ? "null" : cell;
    case TReportValue::Number: break;
  }
  return cell;
}
}  // namespace

std::string ReportText(const std::vector<TRecoveredFile>& files, bool json,
                       const std::vector<decode::TDecodeReport>& decoded) {
  const decode::TDecodeReport notChecked;
  std::string out = json ? "[" : TsvHeader();
  for (size_t i = 0; i < files.size(); ++i) {
    const auto cells = Cells(files[i], i < decoded.size() ? decoded[i] : notChecked);
    if (json) out += i ? ",\n {" : "\n {";
    for (size_t c = 0; c < kReportColumns.size(); ++c) {
      if (json)
        out += (c ? ", \"" : "\"") + std::string(kReportColumns[c].Name) +
               "\": " + JsonValue(kReportColumns[c], cells[c]);
      else
        out += (c ? "\t" : "") + TsvEscaped(cells[c]);
    }
    out += json ? "}" : "\n";
  }
  if (json) out += files.empty() ? "]\n" : "\n]\n";
  return out;
}

bool WriteOutputFile(const TReportFile& file, const char* what, std::string_view contents, std::string& error) {
  // Written beside and renamed over the name: on failure the temporary file goes and the name still
  // holds what it held.
  std::string why;
  if (WriteFileAtomically(file.Path, contents, &why)) return true;
  error = std::string("the ") + what + " " + file.Path + " could not be written (" + why + ")";
  if (!file.Created)
    error += std::string("; the earlier ") + what + " there is left as it was";
  else if (RemoveCreatedFile(file))
    error += "; the empty file made for it at the start was removed";
  return false;
}

bool IsJsonReportPath(std::string_view path) { return EqualsNoCase(Utf8OfPath(PathOfUtf8(path).extension()), ".json"); }

// An existing file may be replaced by a report only when it is one: a report never destroys anything
// else, whatever its name, an empty file included (an empty file this run created is its own).
bool HoldsAReport(std::string_view head) {
  if (head == "[]\n") return true;  // a JSON report of no files
  // A TSV report: its heading, the first five columns those of every version.
  if (head.substr(0, kTsvFirstColumns.size()) == kTsvFirstColumns)
    return head.size() > kTsvFirstColumns.size() &&
           std::string_view("\t\r\n").find(head[kTsvFirstColumns.size()]) != std::string_view::npos;
  // A JSON report: its first row's name, a JSON string, then its format.
  constexpr std::string_view first = "[\n {\"name\": \"", next = ", \"format\": \"";
  if (head.substr(0, first.size()) != first) return false;
  for (size_t i = first.size(); i < head.size(); ++i) {
    if (head[i] == '\\')
      ++i;
    else if (head[i] == '"')
      return head.substr(i + 1, next.size()) == next;
    else if (static_cast<unsigned char>(head[i]) < 0x20)
      return false;
  }
  return false;
}

// Likewise a map replaces only a map: its first line, and the start of its title, as every version
// wrote them.
bool HoldsAMap(std::string_view head) {
  std::string_view rest = head;
  for (std::string_view part : {kMapFirstBytes, kMapFirstLineRest, kMapTitleStart}) {
    if (rest.substr(0, part.size()) != part) return false;
    rest.remove_prefix(part.size());
  }
  return true;
}

std::optional<std::string> PrepareReport(const std::string& path, char sourceLetter, TReportFile& report,
                                         const TReportFile* apart) {
  return PrepareOutputFile(path, sourceLetter, "report", HoldsAReport, report, apart);
}

std::optional<std::string> PrepareMap(const std::string& path, char sourceLetter, TReportFile& map,
                                      const TReportFile* apart) {
  return PrepareOutputFile(path, sourceLetter, "map", HoldsAMap, map, apart);
}

}  // namespace quillot::cli
