// What a recovered file's verdict promises a person, and the words for it: the one place where a verdict, its
// evidence and its pieces become text, for the report, the command line's summary, the Finish page, the map
// and the review window.
//
// "Whole" is a promise that the file is, byte for byte, a recording as it was written: its unit proved where
// it starts and where it ends. A file put together from pieces keeps that word only where a checksum covers
// every join and no checksum of its whole content is left to check; else it is "reassembled, unverified".
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/DecodeReport.h"
#include "engine/RecoveryView.h"

namespace quillot {

enum class TClaim {
  Whole,       // start and end proven, and every join by a checksum
  Unproven,    // a frame stream that plays through, its start and end unproven
  Unverified,  // put together from pieces that no checksum joins
  CutShort,
  Damaged,
  Unknown,
};
inline constexpr size_t kClaims = 6;

TClaim ClaimOf(const TRecoveredFile& file);

// The words a person reads, in the chosen language: "whole, checked by checksums", "plays through, start and
// end unproven", "cut short, reassembled from 2 pieces".
std::string ClaimWords(const TRecoveredFile& file);

// The claim's own words, as a legend names it: "whole", "plays through, start and end unproven".
std::string ClaimLabel(TClaim claim);

// The report's verdict column, in English whatever the language, as every report has written it: "whole",
// "whole, reassembled from 3 pieces", "reassembled, unverified", "plays through, start and end unproven",
// "cut short", "damaged", "unknown" (the last three with ", reassembled from N pieces" for a file in pieces).
std::string ClaimKey(const TRecoveredFile& file);
// The report's evidence column: "checksums", "structure", "none".
const char* EvidenceKey(TEvidence evidence);

// Reads the verdict and evidence columns back into file (whose Pieces are already read), so that ClaimOf and
// ClaimWords give what the report said; false for a verdict no report writes.
bool ParseClaim(std::string_view verdict, std::string_view evidence, TRecoveredFile& file);

// What a decoder adds to a file's claim: where its stream carries a checksum of its whole content (FLAC's MD5
// of the audio), audio that gives it proves the joins of a file in pieces; audio that does not shows the file is
// not the recording, and it is damaged. Answers whether the claim changed.
bool ApplyContentSum(TRecoveredFile& file, decode::TContentSum sum);

// Files by claim.
using TClaimCounts = std::array<size_t, kClaims>;
TClaimCounts CountClaims(const std::vector<TRecoveredFile>& files);

// The summary line: "8 files: 2 whole, 1 unproven, 0 cut short, 0 damaged, 5 unknown."; the unproven and
// unverified counts only where there are some.
std::string ClaimSummary(const TClaimCounts& counts);
// "Put back together from pieces: 3 (1 unverified).", or nothing when no file is in pieces.
std::optional<std::string> PiecesSummary(const std::vector<TRecoveredFile>& files);
// After a pass that did not trim: how many files hold bytes after their recording's end; nothing when none
// does. how tells where to end them there (an option, a setting).
std::optional<std::string> BytesAfterEndSummary(const std::vector<TRecoveredFile>& files, std::string_view how);

}  // namespace quillot
