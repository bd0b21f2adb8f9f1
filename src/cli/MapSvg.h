// The --map file: the medium the pass covered as one bar, each recovered file a span coloured by its
// verdict, unreadable sectors in black, and a legend.
#pragma once

#include <string>
#include <vector>

#include "engine/MediumMap.h"

namespace quillot::cli {

std::string MapSvgText(const TMediumMap& map, const std::vector<TRecoveredFile>& files);

}  // namespace quillot::cli
