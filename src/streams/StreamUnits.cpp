#include <array>

#include "streams/Ac3Stream.h"
#include "streams/AdtsStream.h"
#include "streams/AmrStream.h"
#include "streams/ApeStream.h"
#include "streams/AsfStream.h"
#include "streams/AuStream.h"
#include "streams/CafStream.h"
#include "streams/DsfStream.h"
#include "streams/DtsStream.h"
#include "streams/FlacStream.h"
#include "streams/FormStream.h"
#include "streams/IsoBmffStream.h"
#include "streams/MatroskaStream.h"
#include "streams/MidiStream.h"
#include "streams/MmfStream.h"
#include "streams/MpcStream.h"
#include "streams/MpegAudioStream.h"
#include "streams/OggStream.h"
#include "streams/RealMediaStream.h"
#include "streams/RiffStream.h"
#include "streams/StreamUnit.h"
#include "streams/TrackerStream.h"
#include "streams/TtaStream.h"
#include "streams/VocStream.h"
#include "streams/W64Stream.h"
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
    {"ogg", Make<TOggStream>},
    {"iff", Make<TIffStream>},
    {"w64", Make<TW64Stream>},
    {"au", Make<TAuStream>},
    {"caf", Make<TCafStream>},
    {"voc", Make<TVocStream>},
    {"dsf", Make<TDsfStream>},
    {"dff", Make<TDffStream>},
    {"isobmff", Make<TIsoBmffStream>},
    {"matroska", Make<TMatroskaStream>},
    {"asf", Make<TAsfStream>},
    {"realmedia", Make<TRealMediaStream>},
    {"midi", Make<TMidiStream>},
    {"mmf", Make<TMmfStream>},
    {"tracker", Make<TTrackerStream>},
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
