// Names and creates the numbered files of a pass: prefix, five-digit number, extension ("snd00001.wav"). A
// name already taken is skipped; only when 100 000 numbers in a row are taken is the view asked whether the
// last may be replaced. A prefix or extension that could lead out of the folder creates nothing.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Destination.h"
#include "engine/RecoveryView.h"

namespace quillot {

struct TNumberedFile {
  std::string Name;  // without the folder
  TCreateResult Created = TCreateResult::Failed;
  bool Declined = false;  // every number was taken and the view said no
  int Handle = -1;        // when Created
};

// The file for a pass's number-th start in folder (which ends in the path delimiter); nameOffset, the numbers
// skipped so far in the pass, moves past the names taken.
TNumberedFile CreateNumberedFile(TDestination& destination, TRecoveryView& view, const std::string& folder,
                                 const std::string& prefix, const std::string& extension, int32_t number,
                                 int32_t& nameOffset);

}  // namespace quillot
