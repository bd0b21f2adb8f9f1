#include "decode/DecodeReport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

namespace quillot::decode {

namespace {
const char* const kOutcomeNames[] = {"not-checked", "plays-to-end", "breaks", "no-audio", "crashed", "timed-out"};
const char* const kContentSumNames[] = {"none", "matches", "differs"};

// Every answer has these; content_sum came later, and an older child's answer lacks it.
const char* const kRequiredKeys[] = {"outcome", "seconds",     "break_byte", "break_seconds", "bytes_after_end",
                                     "codec",   "sample_rate", "channels",   "error",         "envelope"};
const char* const kOptionalKeys[] = {"content_sum"};

// One line per value: a line break inside the decoder's words would start a new key.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\n' || c == '\r' ? ' ' : c;
  return out;
}

bool ParseUnsigned(const std::string& s, uint64_t& out) {
  if (s.empty() || s.size() > 20 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  char* end = nullptr;
  out = std::strtoull(s.c_str(), &end, 10);
  return *end == 0;
}

bool ParseNumber(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return *end == 0 && std::isfinite(out) && out >= 0;
}

}  // namespace

std::string PlayingTime(double seconds) {
  const long tenths = std::lround(seconds * 10);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, tenths / 10 % 60, tenths % 10);
  return text;
}

std::string DecodeReportText(const TDecodeReport& r) {
  char number[64];
  const auto real = [&](double v) {
    std::snprintf(number, sizeof number, "%.6f", v);
    return std::string(number);
  };
  std::string out = "outcome=" + std::string(kOutcomeNames[static_cast<int>(r.Outcome)]) + "\n";
  out += "seconds=" + real(r.Seconds) + "\n";
  out += "break_byte=" + std::to_string(r.BreakByte) + "\n";
  out += "break_seconds=" + real(r.BreakSeconds) + "\n";
  out += "bytes_after_end=" + std::to_string(r.BytesAfterEnd) + "\n";
  out += "codec=" + OneLine(r.Codec) + "\n";
  out += "sample_rate=" + std::to_string(r.SampleRate) + "\n";
  out += "channels=" + std::to_string(r.Channels) + "\n";
  out += "content_sum=" + std::string(kContentSumNames[static_cast<int>(r.ContentSum)]) + "\n";
  out += "error=" + OneLine(r.Error) + "\n";
  std::string envelope;
  for (const auto& p : r.Envelope) {
    std::snprintf(number, sizeof number, "%s%.4f,%.4f", envelope.empty() ? "" : ";", p.Peak, p.Rms);
    envelope += number;
  }
  out += "envelope=" + envelope + "\n";
  // The last line: an answer cut short by the child's death lacks it.
  out += "end\n";
  return out;
}

bool ParseDecodeReport(std::string_view text, TDecodeReport& report) {
  std::map<std::string, std::string> values;
  bool ended = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t eol = text.find('\n', at);
    if (eol == std::string_view::npos) return false;  // torn off mid-line
    const std::string line(text.substr(at, eol - at));
    at = eol + 1;
    if (ended) return false;  // nothing follows the end
    if (line == "end") {
      ended = true;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || !values.emplace(line.substr(0, eq), line.substr(eq + 1)).second) return false;
  }
  if (!ended) return false;
  size_t required = 0, optional = 0;
  for (const char* key : kRequiredKeys) required += values.count(key);
  for (const char* key : kOptionalKeys) optional += values.count(key);
  if (required != std::size(kRequiredKeys) || required + optional != values.size()) return false;
  TDecodeReport r;
  bool known = false;
  for (int i = 0; i < 6; ++i)
    if (values["outcome"] == kOutcomeNames[i]) r.Outcome = static_cast<TDecodeOutcome>(i), known = true;
  if (const auto sum = values.find("content_sum"); sum != values.end()) {
    bool sumKnown = false;
    for (int i = 0; i < 3; ++i)
      if (sum->second == kContentSumNames[i]) r.ContentSum = static_cast<TContentSum>(i), sumKnown = true;
    if (!sumKnown) return false;
  }
  uint64_t rate = 0, channels = 0;
  if (!known || !ParseNumber(values["seconds"], r.Seconds) || !ParseUnsigned(values["break_byte"], r.BreakByte) ||
      !ParseNumber(values["break_seconds"], r.BreakSeconds) ||
      !ParseUnsigned(values["bytes_after_end"], r.BytesAfterEnd) || !ParseUnsigned(values["sample_rate"], rate) ||
      !ParseUnsigned(values["channels"], channels) || rate > 10000000 || channels > 1024)
    return false;
  r.SampleRate = static_cast<int>(rate);
  r.Channels = static_cast<int>(channels);
  r.Codec = values["codec"];
  r.Error = values["error"];
  const std::string& envelope = values["envelope"];
  for (size_t i = 0; i < envelope.size();) {
    size_t end = envelope.find(';', i);
    if (end == std::string::npos) end = envelope.size();
    const std::string point = envelope.substr(i, end - i);
    const size_t comma = point.find(',');
    double peak = 0, rms = 0;
    if (comma == std::string::npos || !ParseNumber(point.substr(0, comma), peak) ||
        !ParseNumber(point.substr(comma + 1), rms) || peak > 1.0001 || rms > 1.0001)
      return false;
    r.Envelope.push_back({static_cast<float>(peak), static_cast<float>(rms)});
    i = end + 1;
  }
  if (!r.Envelope.empty() && r.Envelope.size() != kEnvelopePoints) return false;
  report = std::move(r);
  return true;
}

void JudgeCutShort(TDecodeReport& report, uint64_t fileBytes) {
  if (report.Outcome != TDecodeOutcome::PlaysToEnd) return;
  report.Outcome = TDecodeOutcome::Breaks;
  report.BreakByte = fileBytes;
  report.BreakSeconds = report.Seconds;
  report.Error = "the recording's bytes stop before its end";
}

std::string OutcomeText(const TDecodeReport& r) {
  switch (r.Outcome) {
    case TDecodeOutcome::PlaysToEnd: return "plays to the end";
    case TDecodeOutcome::Breaks:
      return "breaks at " + PlayingTime(r.BreakSeconds) + " (byte " + std::to_string(r.BreakByte) + ")" +
             (r.Error.empty() ? "" : ": " + r.Error);
    case TDecodeOutcome::NoAudio: return "no audio" + (r.Error.empty() ? "" : ": " + r.Error);
    case TDecodeOutcome::Crashed: return "decoder crashed" + (r.Error.empty() ? "" : ": " + r.Error);
    case TDecodeOutcome::TimedOut: return "decoder timed out" + (r.Error.empty() ? "" : ": " + r.Error);
    case TDecodeOutcome::NotChecked: break;
  }
  return "not checked";
}

}  // namespace quillot::decode
