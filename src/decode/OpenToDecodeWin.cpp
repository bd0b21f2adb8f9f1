// The Windows build has no decoder and no review window: nothing is opened to be decoded.
#include "decode/OpenToDecode.h"

namespace quillot::decode {

int OpenToDecode(const std::string&, const std::string&, TFileRefusal& refusal, std::string& error) {
  refusal = TFileRefusal::Unreadable;
  error = "this build has no decoder";
  return -1;
}

std::string RefusalText(TFileRefusal refusal, const std::string& error) {
  return refusal == TFileRefusal::None ? "" : error;
}

}  // namespace quillot::decode
