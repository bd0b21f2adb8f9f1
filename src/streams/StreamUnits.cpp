#include "streams/RiffStream.h"
#include "streams/StreamUnit.h"

namespace quillot {

std::unique_ptr<TStreamUnit> MakeStreamUnit(std::string_view name) {
  if (name == "riff") return std::make_unique<TRiffStream>();
  return nullptr;
}

}  // namespace quillot
