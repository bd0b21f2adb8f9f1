// Every message the program produces, each written once as its language-file key (section "Misc")
// and its built-in English text. Texts are the program's own, typos included: translations key on them.
// Use Tr() to get the text in the current language; "%s" placeholders are filled after the lookup.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace quillot {

struct TMessage {
  const char* Key;
  const char* Default;
};

inline constexpr TMessage strBuild{"strBuild", "Build"};
inline constexpr TMessage strBusy{"strBusy", "Busy"};
inline constexpr TMessage strCannotCreateDestinationFile{"strCannotCreateDestinationFile",
                                                         "Error: Cannot create destination file: %s."};
inline constexpr TMessage strCannotWriteToDestFile{"strCannotWriteToDestFile",
                                                   "Error: Cannot write to destination file: %s!"};
inline constexpr TMessage strConfirmation{"strConfirmation", "Confirmation"};
inline constexpr TMessage strErrorNoPsysSectors{"strErrorNoPsysSectors",
                                                "Error: DriveParams.TotalPhysSec = 0. Recovery stopped."};
inline constexpr TMessage strFileExistsConfirm{"strFileExistsConfirm",
                                               "File %s already exists. Are you shure you want to overwrite it?"};
inline constexpr TMessage strFileFormatRemove{"strFileFormatRemove",
                                              "Do you really want to remove \"%s\" file format?"};
inline constexpr TMessage strIdle{"strIdle", "Idle"};
inline constexpr TMessage strNomedia{"strNomedia", "No media"};
inline constexpr TMessage strNotAvailable{"strNotAvailable", "not available"};
inline constexpr TMessage strNotReady{"strNotReady", "Not Ready"};
inline constexpr TMessage strReady{"strReady", "Ready"};
// The drive list's types and the Progress page's speed.
inline constexpr TMessage strDriveRemovable{"strDriveRemovable", "Removable"};
inline constexpr TMessage strDriveFixed{"strDriveFixed", "Fixed"};
inline constexpr TMessage strDriveNetwork{"strDriveNetwork", "Network"};
inline constexpr TMessage strDriveCdrom{"strDriveCdrom", "CDROM"};
inline constexpr TMessage strDriveRam{"strDriveRam", "RAM"};
inline constexpr TMessage strDriveUnknown{"strDriveUnknown", "Unknown"};
inline constexpr TMessage strMegabytesPerSecond{"strMegabytesPerSecond", "%s MB/s"};
inline constexpr TMessage strRecoveringFile{"strRecoveringFile", "Recovering file: %s..."};
inline constexpr TMessage strRecoveryCancelled{"strRecoveryCancelled", "Recovery cancelled."};
inline constexpr TMessage strRecoveryEncounteredFatalError{"strRecoveryEncounteredFatalError",
                                                           "Recovery encountered an fatal error."};
inline constexpr TMessage strRecoveryFinished{"strRecoveryFinished", "Recovery finished."};
inline constexpr TMessage strRecoveryStarted{"strRecoveryStarted", "Recovery started. Current disk %s:\\"};
inline constexpr TMessage strSameDiskError{
    "strSameDiskError",
    "Destination folder is on the same drive as source.  Click \"Back\" and change destination location of "
    "recovered files."};
inline constexpr TMessage strUtilsExecuteProgramError{"strUtilsExecuteProgramError",
                                                      "Unable to execute external program %s."};
inline constexpr TMessage strVer{"strVer", "v."};
// A folder or web address the desktop could not open; the first %s is what, the second the reason.
inline constexpr TMessage strCannotOpen{"strCannotOpen", "Cannot open %s: %s."};
inline constexpr TMessage strFolderMissing{"strFolderMissing", "the folder does not exist"};
inline constexpr TMessage strNoDesktopOpener{"strNoDesktopOpener",
                                             "no program that opens folders and web pages (xdg-open) is installed"};
inline constexpr TMessage strDesktopOpenerFailed{
    "strDesktopOpenerFailed", "the program that opens folders and web pages (xdg-open) did not start"};
// Saving the settings at exit failed; the first %s is the store's path, the second the reason.
inline constexpr TMessage strSettingsNotSaved{"strSettingsNotSaved",
                                              "The settings could not be saved to %s (%s). The stored settings "
                                              "were left as they were."};

// Attaching a disk image as a drive; %s is the image's path (and then the system's reason).
inline constexpr TMessage strImageNoPath{"strImageNoPath", "No image file was given."};
inline constexpr TMessage strImageCannotOpen{"strImageCannotOpen", "Cannot open the image %s: %s"};
inline constexpr TMessage strImageIsFolder{"strImageIsFolder", "The image %s is a folder, not a file."};
inline constexpr TMessage strImageNotFile{"strImageNotFile", "The image %s is not a regular file or block device."};
inline constexpr TMessage strImageNoLetter{"strImageNoLetter", "No free drive letter is left for the image %s."};

// A pass on the 95/98 family over a drive larger than its 32-bit sector numbers reach.
inline constexpr TMessage strOnlyFirst2TiBSearched{
    "strOnlyFirst2TiBSearched",
    "Only the first 4294967296 sectors of this drive (2 TiB with 512-byte sectors) can be searched on this system."};

// What a recovered file's verdict promises (engine/FileClaim.h), in the words a person reads.
inline constexpr TMessage strClaimWhole{"strClaimWhole", "whole"};
inline constexpr TMessage strClaimUnproven{"strClaimUnproven", "plays through, start and end unproven"};
inline constexpr TMessage strClaimLongerThanHeader{"strClaimLongerThanHeader",
                                                   "longer than its header says, end unproven"};
inline constexpr TMessage strClaimMayBeLongerThanHeader{"strClaimMayBeLongerThanHeader",
                                                        "may be longer than its header says, end unproven"};
// A file put together from pieces that no checksum joins.
inline constexpr TMessage strVerdictReassembledUnverified{"strVerdictReassembledUnverified", "reassembled, unverified"};
inline constexpr TMessage strClaimCutShort{"strClaimCutShort", "cut short"};
inline constexpr TMessage strClaimDamaged{"strClaimDamaged", "damaged"};
inline constexpr TMessage strClaimUnknown{"strClaimUnknown", "unknown"};
// Added to a verdict when a trimming pass put the file's pieces back together; %s is the number of pieces.
inline constexpr TMessage strClaimFromPieces{"strClaimFromPieces", "reassembled from %s pieces"};
// Added to "whole": what proves it.
inline constexpr TMessage strClaimByChecksums{"strClaimByChecksums", "checked by checksums"};
inline constexpr TMessage strClaimByStructure{"strClaimByStructure", "by structure alone"};
// The summary of a pass: "%s files: %s." with the counts by verdict, each %s a number, joined by ", ".
inline constexpr TMessage strClaimSummary{"strClaimSummary", "%s files: %s."};
inline constexpr TMessage strCountWhole{"strCountWhole", "%s whole"};
inline constexpr TMessage strCountUnproven{"strCountUnproven", "%s unproven"};
inline constexpr TMessage strCountUnverified{"strCountUnverified", "%s unverified"};
inline constexpr TMessage strCountCutShort{"strCountCutShort", "%s cut short"};
inline constexpr TMessage strCountDamaged{"strCountDamaged", "%s damaged"};
inline constexpr TMessage strCountUnknown{"strCountUnknown", "%s unknown"};
// The files a trimming pass put back together from pieces, and of those the ones no checksum joins.
inline constexpr TMessage strPiecesSummary{"strPiecesSummary", "Put back together from pieces: %s (%s unverified)."};
// After a pass that did not trim; %s is the number of files, then how to end them ("--trim").
inline constexpr TMessage strBytesAfterEnd{"strBytesAfterEnd",
                                           "%s files hold bytes after their recording's end; %s ends them there."};
// The Finish page's line under the count when fewer files were written than starts were found (a file the
// destination could not create, an overwrite declined); %s is the number of starts.
inline constexpr TMessage strStartsFound{"strStartsFound", "Starts found: %s"};
// The log line of a pass stopped before the drive's end; %s is the sector a new pass starts from to
// recover the file that was open whole.
inline constexpr TMessage strResumeFrom{"strResumeFrom", "To go on from here, start again from sector %s."};

// The drive list's status of a drive the system refuses to read for lack of rights.
inline constexpr TMessage strNoAccess{"strNoAccess", "No access"};
// The Progress page's advice for such a drive when a group that may read it is known; the first %s is the
// device, the second the group.
inline constexpr TMessage strNoAccessJoinGroup{
    "strNoAccessJoinGroup",
    "Quillot may not read %s. Start Quillot as root (for example with sudo), or add your user to the group "
    "\"%s\", which may read it, and log in again."};
// An installed copy's catalogue in the user's folder cannot be read; %s are that file and the shipped one.
inline constexpr TMessage strUserCatalogueUnreadable{
    "strUserCatalogueUnreadable",
    "The format catalogue %s cannot be read; the shipped catalogue %s is used instead. The file is replaced only "
    "when you change the catalogue."};
// The catalogue names a stream unit the program does not have, or one that cannot confirm a start; the
// first %s is the catalogue's file, the second each such format with its key and name ("WAV": Stream=rif).
inline constexpr TMessage strCatalogueUnknownUnits{
    "strCatalogueUnknownUnits",
    "The format catalogue %s names stream units Quillot does not have (Stream=) or units that cannot confirm a "
    "start (Check=): %s. These formats are still recovered, but unchecked."};

// Every message above, for tools and checks over the language files.
std::span<const TMessage> AllMessages();

// The message in the current language.
std::string Tr(const TMessage& message);
// The message in the current language with its "%s" placeholders filled in order.
std::string Tr(const TMessage& message, std::initializer_list<std::string_view> args);

}  // namespace quillot
