// The Windows build has no decoder: every file stays not checked.
#include "decode/DecodeCheck.h"

namespace quillot::decode {

std::string DecoderProgram() { return ""; }

TDecodeReport CheckRecoveredFile(const std::string&, uint64_t, const TDecodeLimits&) { return {}; }

TDecodeReport RunDecoder(const std::vector<std::string>&, const TDecodeLimits&) { return {}; }

}  // namespace quillot::decode
