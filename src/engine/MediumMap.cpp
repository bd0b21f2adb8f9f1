#include "engine/MediumMap.h"

#include <algorithm>

namespace quillot {

double TMediumMap::Fraction(uint64_t sector) const {
  if (End <= First) return 0;
  const uint64_t at = std::clamp(sector, First, End);
  return static_cast<double>(at - First) / static_cast<double>(End - First);
}

TMediumMap LayOutMedium(uint64_t firstSector, uint64_t endSector, const std::vector<TRecoveredFile>& files) {
  TMediumMap map;
  map.First = firstSector;
  map.End = std::max(firstSector, endSector);
  const auto add = [&](uint64_t first, uint64_t count, const TRecoveredFile& f, size_t file, size_t piece) {
    const uint64_t from = std::max(first, map.First), to = std::min(first + count, map.End);
    if (from < to) map.Spans.push_back({from, to - from, ClaimOf(f), file, piece});
  };
  std::vector<uint64_t> unreadable;
  for (size_t i = 0; i < files.size(); ++i) {
    const TRecoveredFile& f = files[i];
    if (f.Pieces.empty()) {
      add(f.FirstSector, f.Sectors, f, i, 0);
    } else {
      for (size_t p = 0; p < f.Pieces.size(); ++p) add(f.Pieces[p].First, f.Pieces[p].Count, f, i, p);
    }
    for (uint64_t s : f.UnreadableSectors)
      if (s >= map.First && s < map.End) unreadable.push_back(s);
  }
  std::sort(unreadable.begin(), unreadable.end());
  for (uint64_t s : unreadable) {
    if (!map.Unreadable.empty() && s < map.Unreadable.back().First + map.Unreadable.back().Count) continue;
    if (!map.Unreadable.empty() && s == map.Unreadable.back().First + map.Unreadable.back().Count)
      ++map.Unreadable.back().Count;
    else
      map.Unreadable.push_back({s, 1});
  }
  return map;
}

const char* ClaimColour(TClaim claim) {
  switch (claim) {
    case TClaim::Whole: return "#2e9d4f";
    case TClaim::Unproven: return "#9cc95a";
    case TClaim::Unverified: return "#4f86c6";
    case TClaim::CutShort: return "#e0a31a";
    case TClaim::Damaged: return "#d0342c";
    case TClaim::Unknown: break;
  }
  return "#8a8f98";
}

}  // namespace quillot
