#include "wizard/Controls.h"

#include <array>
#include <cstddef>

namespace quillot {

namespace {
// In the order of TControl.
constexpr std::array<const char*, kControlCount> kNames{
    "ButtonBack",
    "ButtonNext",
    "ButtonClose",
    "StartTabSheet",
    "TypesTabSheet",
    "DestinationTabSheet",
    "TypesTreeView",
    "TypesAdvButtonAdd",
    "TypesAdvButtonModify",
    "TypesAdvButtonDelete",
    "TypesCheckBoxShowAdvanced",
    "DestinationFolderEdit",
    "ProgressLabelDestinationFolder",
    "ProgressLabelTotalSectors",
    "ProgressLabelDriveProblem",
    "ProgressLabelExistingFiles",
    "ProgressLabelCurSector",
    "ProgressLabelFilesFound",
    "ProgressLabelReadErrors",
    "ProgressLabelStatus",
    "ProgressLabelElapsed",
    "ProgressLabelElapsedTime",
    "ProgressLabelSpeed",
    "ProgressLabelSpeedValue",
    "ProgressLabelLeft",
    "ProgressLabelTimeLeft",
    "ProgressButtonStart",
    "ProgressButtonStop",
    "FinishLabel2",
    "FinishLabelStarts",
    "FinishLabelVerdicts",
    "FinishLabelPieces",
    "FinishLabelStopped",
    "FinishButtonReview",
};
}  // namespace

const char* ControlName(TControl control) { return kNames[static_cast<size_t>(control)]; }

}  // namespace quillot
