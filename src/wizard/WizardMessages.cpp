#include "wizard/WizardMessages.h"

#include <array>

namespace quillot {

namespace {
constexpr std::array kWizard{
    strNoReadPermission, strCannotOpenDrive,       strNoAccessAskOnStart,     strAccessNotGiven,   strTrimmingEndsThem,
    strStopping,         strDestinationNotCreated, strDestinationNotWritable, strPassEndedOnError, strStatusFinished,
    strStatusStopped,    strStatusFailed,          strExistingFiles,          strFinishStopped};
}  // namespace

std::span<const TMessage> AllWizardMessages() { return kWizard; }

}  // namespace quillot
