#include "cli/MapSvg.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/Report.h"
#include "engine/FileClaim.h"

namespace quillot::cli {

namespace {
constexpr double kLeft = 20, kWidth = 960, kBarTop = 40, kBarHeight = 48;

// Text for an attribute or an element: markup escaped, control characters and bytes that are not UTF-8
// shown as '?'.
std::string XmlText(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8Length(s, i);
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;  // U+0080-U+009F
    if (n == 0 || c < 0x20 || c == 0x7F || c1)
      out += '?';
    else if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else
      out.append(s, i, n);
    i += n ? n : 1;
  }
  return out;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

// A span at least a pixel wide, so the smallest file still shows.
std::pair<double, double> Place(const TMediumMap& map, uint64_t first, uint64_t count) {
  const double x = kLeft + kWidth * map.Fraction(first);
  const double end = kLeft + kWidth * map.Fraction(first + count);
  return {x, std::max(end - x, 1.0)};
}
}  // namespace

std::string MapSvgText(const TMediumMap& map, const std::vector<TRecoveredFile>& files) {
  // The head that tells our maps from other drawings (HoldsAMap): the same in every version.
  std::string out = std::string(kMapFirstBytes) + std::string(kMapFirstLineRest);
  out += std::string(kMapTitleStart) + std::to_string(map.First) + " to " + std::to_string(map.End) + ": " +
         std::to_string(files.size()) + " recovered files</title>\n";
  out += "<text x=\"20\" y=\"28\">Sectors " + std::to_string(map.First) + " to " + std::to_string(map.End) +
         "</text>\n";
  out += "<rect class=\"medium\" x=\"" + Number(kLeft) + "\" y=\"" + Number(kBarTop) + "\" width=\"" + Number(kWidth) +
         "\" height=\"" + Number(kBarHeight) + "\" fill=\"#e8e8e8\" stroke=\"#666666\"/>\n";
  for (const TMapSpan& span : map.Spans) {
    const TRecoveredFile& f = files[span.File];
    const auto [x, w] = Place(map, span.First, span.Count);
    out += "<rect class=\"file\" data-name=\"" + XmlText(f.Name) + "\" data-first-sector=\"" +
           std::to_string(span.First) + "\" data-sectors=\"" + std::to_string(span.Count) + "\" data-piece=\"" +
           std::to_string(span.Piece) + "\" x=\"" + Number(x) + "\" y=\"" + Number(kBarTop) + "\" width=\"" +
           Number(w) + "\" height=\"" + Number(kBarHeight) + "\" fill=\"" + ClaimColour(span.Claim) + "\"><title>" +
           XmlText(f.Name) + " (" + XmlText(f.Format) + "): " + XmlText(ClaimWords(f)) + ", sectors " +
           std::to_string(span.First) + "+" + std::to_string(span.Count) + "</title></rect>\n";
  }
  for (const auto& run : map.Unreadable) {
    const auto [x, w] = Place(map, run.First, run.Count);
    out += "<rect class=\"unreadable\" data-first-sector=\"" + std::to_string(run.First) + "\" data-sectors=\"" +
           std::to_string(run.Count) + "\" x=\"" + Number(x) + "\" y=\"" + Number(kBarTop + kBarHeight / 2) +
           "\" width=\"" + Number(w) + "\" height=\"" + Number(kBarHeight / 2) + "\" fill=\"" + kUnreadableColour +
           "\"><title>unreadable sectors " + std::to_string(run.First) + "+" + std::to_string(run.Count) +
           "</title></rect>\n";
  }
  // The legend: each verdict's colour, and the unreadable sectors'.
  double x = kLeft;
  int y = 116;
  const auto legend = [&](const char* colour, const std::string& label) {
    const double width = 40 + 7.0 * static_cast<double>(label.size());
    // A long legend goes on in a second row.
    if (x > kLeft && x + width > kLeft + kWidth) {
      x = kLeft;
      y += 24;
    }
    out += "<rect class=\"legend\" x=\"" + Number(x) + "\" y=\"" + std::to_string(y) +
           "\" width=\"14\" height=\"14\" fill=\"" + colour + "\"/><text x=\"" + Number(x + 20) + "\" y=\"" +
           std::to_string(y + 11) + "\">" + label + "</text>\n";
    x += width;
  };
  // The claims made on this medium (whole, cut short, damaged and unknown always), each in its words.
  std::array<bool, kClaims> shown{};
  for (TClaim c : {TClaim::Whole, TClaim::CutShort, TClaim::Damaged, TClaim::Unknown}) shown[size_t(c)] = true;
  for (const TMapSpan& span : map.Spans) shown[size_t(span.Claim)] = true;
  for (TClaim c :
       {TClaim::Whole, TClaim::Unproven, TClaim::Unverified, TClaim::CutShort, TClaim::Damaged, TClaim::Unknown})
    if (shown[size_t(c)]) legend(ClaimColour(c), XmlText(ClaimLabel(c)));
  legend(kUnreadableColour, "unreadable");
  out += "</svg>\n";
  return out;
}

}  // namespace quillot::cli
