#include "engine/FileClaim.h"

#include "streams/StreamUnit.h"

#include "i18n/Messages.h"

namespace quillot {

namespace {
bool InPieces(const TRecoveredFile& f) { return f.Pieces.size() > 1; }

// Whether the words name the pieces: "reassembled, unverified" says it already (a file in pieces is never
// merely unproven).
bool NamesPieces(const TRecoveredFile& f, TClaim claim) { return InPieces(f) && claim != TClaim::Unverified; }

const TMessage& ClaimMessage(TClaim claim) {
  switch (claim) {
    case TClaim::Whole: return strClaimWhole;
    case TClaim::Unproven: return strClaimUnproven;
    case TClaim::Unverified: return strVerdictReassembledUnverified;
    case TClaim::CutShort: return strClaimCutShort;
    case TClaim::Damaged: return strClaimDamaged;
    case TClaim::Unknown: break;
  }
  return strClaimUnknown;
}

const TMessage& CountMessage(TClaim claim) {
  switch (claim) {
    case TClaim::Whole: return strCountWhole;
    case TClaim::Unproven: return strCountUnproven;
    case TClaim::Unverified: return strCountUnverified;
    case TClaim::CutShort: return strCountCutShort;
    case TClaim::Damaged: return strCountDamaged;
    case TClaim::Unknown: break;
  }
  return strCountUnknown;
}
}  // namespace

TClaim ClaimOf(const TRecoveredFile& f) {
  switch (f.Verdict) {
    case TVerdict::Whole:
      if (!InPieces(f)) return TClaim::Whole;
      // Frames in a row prove no join; a checksum of the whole content proves it only once checked.
      return f.Evidence == TEvidence::Checksums && !f.AwaitsContentCheck ? TClaim::Whole : TClaim::Unverified;
    // A recording that went on past its header's length says so, in pieces too: its end is what is unproven.
    case TVerdict::Unproven:
      return InPieces(f) && f.PastHeader == TPastHeader::No ? TClaim::Unverified : TClaim::Unproven;
    case TVerdict::CutShort: return TClaim::CutShort;
    case TVerdict::Damaged: return TClaim::Damaged;
    case TVerdict::Unknown: break;
  }
  return TClaim::Unknown;
}

// A recording that went on past its header's length, or may have, says so: its end is all it leaves unproven.
const TMessage& ClaimMessage(const TRecoveredFile& f, TClaim claim) {
  if (claim == TClaim::Unproven && f.PastHeader == TPastHeader::Longer) return strClaimLongerThanHeader;
  if (claim == TClaim::Unproven && f.PastHeader == TPastHeader::MayBeLonger) return strClaimMayBeLongerThanHeader;
  return ClaimMessage(claim);
}

std::string ClaimWords(const TRecoveredFile& f) {
  const TClaim claim = ClaimOf(f);
  std::string words = Tr(ClaimMessage(f, claim));
  if (NamesPieces(f, claim)) words += ", " + Tr(strClaimFromPieces, {std::to_string(f.Pieces.size())});
  if (claim == TClaim::Whole)
    words += ", " + Tr(f.Evidence == TEvidence::Checksums ? strClaimByChecksums : strClaimByStructure);
  return words;
}

std::string ClaimLabel(TClaim claim) { return Tr(ClaimMessage(claim)); }

std::string ClaimKey(const TRecoveredFile& f) {
  const TClaim claim = ClaimOf(f);
  std::string key = ClaimMessage(f, claim).Default;
  if (NamesPieces(f, claim)) key += ", reassembled from " + std::to_string(f.Pieces.size()) + " pieces";
  return key;
}

const char* EvidenceKey(TEvidence e) {
  switch (e) {
    case TEvidence::Checksums: return "checksums";
    case TEvidence::Structure: return "structure";
    case TEvidence::None: break;
  }
  return "none";
}

bool ParseClaim(std::string_view verdict, std::string_view evidence, TRecoveredFile& f) {
  f.Evidence = evidence == "checksums"   ? TEvidence::Checksums
               : evidence == "structure" ? TEvidence::Structure
                                         : TEvidence::None;
  f.AwaitsContentCheck = false;
  // The words of a file in pieces follow its state; the count is in the pieces column.
  if (const size_t comma = verdict.find(", reassembled from "); comma != std::string_view::npos)
    verdict = verdict.substr(0, comma);
  f.PastHeader = verdict == strClaimLongerThanHeader.Default        ? TPastHeader::Longer
                 : verdict == strClaimMayBeLongerThanHeader.Default ? TPastHeader::MayBeLonger
                                                                    : TPastHeader::No;
  if (f.PastHeader != TPastHeader::No) {
    f.Verdict = TVerdict::Unproven;
    return true;
  }
  for (TClaim claim :
       {TClaim::Whole, TClaim::Unproven, TClaim::Unverified, TClaim::CutShort, TClaim::Damaged, TClaim::Unknown}) {
    if (verdict != ClaimMessage(claim).Default) continue;
    switch (claim) {
      case TClaim::Whole: f.Verdict = TVerdict::Whole; break;
      case TClaim::Unproven: f.Verdict = TVerdict::Unproven; break;
      case TClaim::Unverified:
        // Whatever its unit said, the report says no checksum joins it.
        f.Verdict = TVerdict::Whole;
        f.AwaitsContentCheck = true;
        break;
      case TClaim::CutShort: f.Verdict = TVerdict::CutShort; break;
      case TClaim::Damaged: f.Verdict = TVerdict::Damaged; break;
      case TClaim::Unknown: f.Verdict = TVerdict::Unknown; break;
    }
    return true;
  }
  f.Verdict = TVerdict::Unknown;
  return false;
}

bool ApplyContentSum(TRecoveredFile& f, decode::TContentSum sum) {
  const TClaim before = ClaimOf(f);
  if (sum == decode::TContentSum::Matches) {
    f.AwaitsContentCheck = false;
  } else if (sum == decode::TContentSum::Differs && (f.Verdict == TVerdict::Whole || f.Verdict == TVerdict::Unproven)) {
    f.Verdict = TVerdict::Damaged;
    f.Evidence = TEvidence::Checksums;
    f.AwaitsContentCheck = false;
  }
  return ClaimOf(f) != before;
}

TClaimCounts CountClaims(const std::vector<TRecoveredFile>& files) {
  TClaimCounts counts{};
  for (const TRecoveredFile& f : files) ++counts[static_cast<size_t>(ClaimOf(f))];
  return counts;
}

std::string ClaimSummary(const TClaimCounts& counts) {
  size_t files = 0;
  for (size_t n : counts) files += n;
  std::string list;
  for (TClaim claim :
       {TClaim::Whole, TClaim::Unproven, TClaim::Unverified, TClaim::CutShort, TClaim::Damaged, TClaim::Unknown}) {
    const size_t n = counts[static_cast<size_t>(claim)];
    // The claims that need a word of explanation show only where they are made.
    if (n == 0 && (claim == TClaim::Unproven || claim == TClaim::Unverified)) continue;
    list += (list.empty() ? "" : ", ") + Tr(CountMessage(claim), {std::to_string(n)});
  }
  return Tr(strClaimSummary, {std::to_string(files), list});
}

std::optional<std::string> PiecesSummary(const std::vector<TRecoveredFile>& files) {
  size_t joined = 0, unverified = 0;
  for (const TRecoveredFile& f : files) {
    if (!InPieces(f)) continue;
    ++joined;
    if (ClaimOf(f) == TClaim::Unverified) ++unverified;
  }
  if (joined == 0) return std::nullopt;
  return Tr(strPiecesSummary, {std::to_string(joined), std::to_string(unverified)});
}

std::optional<std::string> BytesAfterEndSummary(const std::vector<TRecoveredFile>& files, std::string_view how) {
  size_t n = 0;
  for (const TRecoveredFile& f : files)
    if (f.StreamEnd != 0 && f.StreamEnd < f.Bytes) ++n;
  if (n == 0) return std::nullopt;
  return Tr(strBytesAfterEnd, {std::to_string(n), how});
}

}  // namespace quillot
