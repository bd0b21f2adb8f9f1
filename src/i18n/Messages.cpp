#include "i18n/Messages.h"

#include <array>

#include "i18n/Language.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr std::array kAll{
    strBuild,
    strBusy,
    strCannotCreateDestinationFile,
    strCannotWriteToDestFile,
    strConfirmation,
    strErrorNoPsysSectors,
    strFileExistsConfirm,
    strFileFormatRemove,
    strIdle,
    strNomedia,
    strNotAvailable,
    strNotReady,
    strReady,
    strDriveRemovable,
    strDriveFixed,
    strDriveNetwork,
    strDriveCdrom,
    strDriveRam,
    strDriveUnknown,
    strMegabytesPerSecond,
    strRecoveringFile,
    strRecoveryCancelled,
    strRecoveryEncounteredFatalError,
    strRecoveryFinished,
    strRecoveryStarted,
    strSameDiskError,
    strUtilsExecuteProgramError,
    strVer,
    strCannotOpen,
    strFolderMissing,
    strNoDesktopOpener,
    strDesktopOpenerFailed,
    strSettingsNotSaved,
    strImageNoPath,
    strImageCannotOpen,
    strImageIsFolder,
    strImageNotFile,
    strImageNoLetter,
    strOnlyFirst2TiBSearched,
    strClaimWhole,
    strClaimUnproven,
    strClaimLongerThanHeader,
    strClaimMayBeLongerThanHeader,
    strVerdictReassembledUnverified,
    strClaimCutShort,
    strClaimDamaged,
    strClaimUnknown,
    strClaimFromPieces,
    strClaimByChecksums,
    strClaimByStructure,
    strClaimSummary,
    strCountWhole,
    strCountUnproven,
    strCountUnverified,
    strCountCutShort,
    strCountDamaged,
    strCountUnknown,
    strPiecesSummary,
    strBytesAfterEnd,
    strStartsFound,
    strResumeFrom,
    strNoAccess,
    strNoAccessJoinGroup,
    strUserCatalogueUnreadable,
    strCatalogueUnknownUnits,
};
}  // namespace

std::span<const TMessage> AllMessages() { return kAll; }

std::string Tr(const TMessage& message) { return TranslateString(message.Default, message.Key); }

std::string Tr(const TMessage& message, std::initializer_list<std::string_view> args) {
  return FormatText(Tr(message), args);
}

}  // namespace quillot
