#include <array>

#include "streams/Ac3Stream.h"
#include "streams/AdtsStream.h"
#include "streams/AmrStream.h"
#include "streams/ApeStream.h"
#include "streams/DtsStream.h"
#include "streams/FlacStream.h"
#include "streams/MpcStream.h"
#include "streams/MpegAudioStream.h"
#include "streams/RiffStream.h"
#include "streams/StreamUnit.h"
#include "streams/TtaStream.h"
#include "streams/WavPackStream.h"

namespace quillot {

namespace {

template <typename T>
std::unique_ptr<TStreamUnit> Make() {
  return std::make_unique<T>();
}

struct TUnitEntry {
  std::string_view Name;
  std::unique_ptr<TStreamUnit> (*Create)();
};

// Every unit by the name the catalogue's Stream= key gives it; one line each.
// clang-format off
constexpr TUnitEntry kUnits[] = {
    {"riff", Make<TRiffStream>},
    {"flac", Make<TFlacStream>},
    {"mpeg-audio", Make<TMpegAudioStream>},
    {"adts", Make<TAdtsStream>},
    {"ac3", Make<TAc3Stream>},
    {"dts", Make<TDtsStream>},
    {"amr", Make<TAmrStream>},
    {"tta", Make<TTtaStream>},
    {"wavpack", Make<TWavPackStream>},
    {"mpc", Make<TMpcStream>},
    {"ape", Make<TApeStream>},
};
// clang-format on

}  // namespace

std::unique_ptr<TStreamUnit> MakeStreamUnit(std::string_view name) {
  for (const auto& unit : kUnits)
    if (unit.Name == name) return unit.Create();
  return nullptr;
}

std::vector<std::string_view> StreamUnitNames() {
  std::vector<std::string_view> names;
  for (const auto& unit : kUnits) names.push_back(unit.Name);
  return names;
}

}  // namespace quillot
