#include "wizard/DriveProblem.h"

#include "drive/DriveTable.h"
#include "platform/ReadingGroup.h"
#include "wizard/WizardMessages.h"

namespace quillot {

std::string DriveProblemText(const std::string& path, bool permissionDenied, const std::string& openError,
                             const std::string& group) {
  if (permissionDenied && !group.empty()) return Tr(strNoAccessJoinGroup, {path, group});
  if (permissionDenied) return Tr(strNoReadPermission, {path});
  if (!openError.empty()) return Tr(strCannotOpenDrive, {openError});
  return {};
}

std::string DrivePathOf(char letter) {
  auto source = DriveTable().Source(letter);
  if (!source) return {};
  return source->Path().empty() ? source->Name() : source->Path();
}

bool DriveAccessMayBeAsked(char letter) {
  auto source = DriveTable().Source(letter);
  std::string error;
  return source && !source->Open(error) && source->LastOpenFailure() == TOpenFailure::NoAccess &&
         source->AccessMayBeAsked();
}

std::string DriveProblemOf(char letter) {
  auto source = DriveTable().Source(letter);
  if (!source) return {};
  std::string error;
  if (source->Open(error)) return {};
  if (source->LastOpenFailure() == TOpenFailure::NoAccess && source->AccessMayBeAsked())
    return Tr(strNoAccessAskOnStart, {DrivePathOf(letter)});
  // Lack of rights is the usual reason a card reader cannot be read; say what to do about it.
  const bool denied = source->LastOpenFailure() == TOpenFailure::NoAccess;
  const std::string path = source->Path().empty() ? source->Name() : source->Path();
  return DriveProblemText(path, denied, error, denied ? ReadingGroupOf(source->Path()) : std::string());
}

}  // namespace quillot
