#include "streams/FlacStream.h"
#include "streams/RiffStream.h"
#include "streams/StreamUnit.h"

namespace quillot {

std::unique_ptr<TStreamUnit> MakeStreamUnit(std::string_view name) {
  if (name == "riff") return std::make_unique<TRiffStream>();
  if (name == "flac") return std::make_unique<TFlacStream>();
  return nullptr;
}

}  // namespace quillot
