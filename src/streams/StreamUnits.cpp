#include <array>

#include "streams/AsfStream.h"
#include "streams/FlacStream.h"
#include "streams/IsoBmffStream.h"
#include "streams/MatroskaStream.h"
#include "streams/MidiStream.h"
#include "streams/MmfStream.h"
#include "streams/RealMediaStream.h"
#include "streams/RiffStream.h"
#include "streams/StreamUnit.h"
#include "streams/TrackerStream.h"

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
constexpr TUnitEntry kUnits[] = {
    {"riff", Make<TRiffStream>},         {"flac", Make<TFlacStream>}, {"isobmff", Make<TIsoBmffStream>},
    {"matroska", Make<TMatroskaStream>}, {"asf", Make<TAsfStream>},   {"realmedia", Make<TRealMediaStream>},
    {"midi", Make<TMidiStream>},         {"mmf", Make<TMmfStream>},   {"tracker", Make<TTrackerStream>},
};

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
