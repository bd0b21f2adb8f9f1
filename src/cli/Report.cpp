#include "cli/Report.h"

#include <cstdio>
#include <string_view>

#include "engine/FileClaim.h"
#include "platform/AtomicFile.h"

namespace quillot::cli {

namespace {
const std::string kTsvHeader = std::string(kTsvFirstColumns) +
                               "\tunreadable_sectors\tshort\tverdict\tevidence\tunwritten_sectors\tpieces"
                               "\tduration\tdecode\tbytes_after_end\tpath\n";

// A JSON string of any bytes. A byte that is not part of UTF-8 is written as the lone surrogate
// U+DC00 + byte (\udc80-\udcff), which no UTF-8 text yields, so the bytes can be had back.
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
    } else {
      out.append(s, i, n);
    }
    i += n;
  }
  return out + "\"";
}

// Tabs and line breaks would break a row apart.
std::string TsvField(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}
}  // namespace

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

std::string ReportText(const std::vector<TRecoveredFile>& files, bool json,
                       const std::vector<decode::TDecodeReport>& decoded) {
  std::string out;
  const decode::TDecodeReport notChecked;
  const auto decodedOf = [&](size_t i) -> const decode::TDecodeReport& {
    return i < decoded.size() ? decoded[i] : notChecked;
  };
  if (json) {
    out = "[";
    for (size_t i = 0; i < files.size(); ++i) {
      const auto& f = files[i];
      const auto& d = decodedOf(i);
      const std::string duration = DurationText(d);
      out += i ? ",\n " : "\n ";
      out += "{\"name\": " + JsonString(f.Name) + ", \"format\": " + JsonString(f.Format) +
             ", \"first_sector\": " + std::to_string(f.FirstSector) + ", \"sectors\": " + std::to_string(f.Sectors) +
             ", \"bytes\": " + std::to_string(f.Bytes) + ", \"unreadable_sectors\": \"" +
             SectorRanges(f.UnreadableSectors) + "\", \"short\": " + (f.Short ? "true" : "false") +
             ", \"verdict\": \"" + ClaimKey(f) + "\", \"evidence\": \"" + EvidenceKey(f.Evidence) +
             "\", \"unwritten_sectors\": \"" + UnwrittenRun(f) + "\", \"pieces\": \"" + PieceList(f) +
             "\", \"duration\": " + (duration.empty() ? "null" : duration) +
             ", \"decode\": " + JsonString(decode::OutcomeText(d)) +
             ", \"bytes_after_end\": " + std::to_string(BytesAfterEnd(f, d)) + ", \"path\": " + JsonString(f.Path) +
             "}";
    }
    out += files.empty() ? "]\n" : "\n]\n";
    return out;
  }
  out = kTsvHeader;
  for (size_t i = 0; i < files.size(); ++i) {
    const auto& f = files[i];
    const auto& d = decodedOf(i);
    out += TsvField(f.Name) + "\t" + TsvField(f.Format) + "\t" + std::to_string(f.FirstSector) + "\t" +
           std::to_string(f.Sectors) + "\t" + std::to_string(f.Bytes) + "\t" + SectorRanges(f.UnreadableSectors) +
           "\t" + (f.Short ? "yes" : "no") + "\t" + ClaimKey(f) + "\t" + EvidenceKey(f.Evidence) + "\t" +
           UnwrittenRun(f) + "\t" + PieceList(f) + "\t" + DurationText(d) + "\t" + TsvField(decode::OutcomeText(d)) +
           "\t" + std::to_string(BytesAfterEnd(f, d)) + "\t" + TsvField(f.Path) + "\n";
  }
  return out;
}

bool WriteReport(const TReportFile& report, const std::vector<TRecoveredFile>& files,
                 const std::vector<decode::TDecodeReport>& decoded, std::string& error) {
  return WriteFileAtomically(report.Path, ReportText(files, report.Json, decoded), &error);
}

namespace {
// An existing file may be replaced by a report only when it is one (or empty): a report never
// destroys anything else, whatever its name.
bool HoldsAReport(std::string_view head) {
  return head.empty() || head.rfind(kTsvFirstColumns, 0) == 0 || head.rfind("[\n {\"name\": ", 0) == 0 ||
         head == "[]\n";
}

// Likewise a map replaces only a map.
bool HoldsAMap(std::string_view head) { return head.empty() || head.rfind(kMapFirstBytes, 0) == 0; }
}  // namespace

std::optional<std::string> PrepareReport(const std::string& path, char sourceLetter, TReportFile& report) {
  return PrepareOutputFile(path, sourceLetter, "report", HoldsAReport, report);
}

std::optional<std::string> PrepareMap(const std::string& path, char sourceLetter, TReportFile& map) {
  return PrepareOutputFile(path, sourceLetter, "map", HoldsAMap, map);
}

}  // namespace quillot::cli
