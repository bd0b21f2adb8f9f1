// A search for a recording's next piece weighs the same bytes before against many sides after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signal/Junction.h"
#include "signal/JunctionMeasures.h"

namespace quillot {

// The same bytes before weighed against many sides after, as a search for a recording's next piece does: the
// side before is decoded and fitted once, and a side after whose first samples already settle the answer costs
// little more than decoding it. Judge answers as JudgeJunction would.
class TJunctionJudge {
 public:
  void Before(const TPcmFormat& format, const uint8_t* before, size_t beforeSize);
  TJunction Judge(const uint8_t* after, size_t afterSize);
  // Whether any side after could go on from the side before: a stretch too little predictable (noise) or
  // silent is CannotTell whatever follows, and a search for the piece after it is hopeless. True for IMA
  // ADPCM, whose side before depends on the side after.
  bool MayContinue();

 private:
  TPcmFormat format_;
  std::vector<uint8_t> before_;
  bool fitted_ = false;
  int mayContinue_ = -1;  // MayContinue's answer once known
  TBeforeFit fits_[kJunctionChannels];
};

}  // namespace quillot
