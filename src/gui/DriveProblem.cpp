#include "gui/DriveProblem.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "drive/DriveTable.h"
#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

QString DriveProblemText(const std::string& path, bool permissionDenied, const std::string& openError,
                         const std::string& group) {
  if (permissionDenied && !group.empty()) return ToQ(Tr(strNoAccessJoinGroup, {path, group}));
  if (permissionDenied) return ToQ(Tr(strNoReadPermission, {path}));
  if (!openError.empty()) return ToQ(Tr(strCannotOpenDrive, {openError}));
  return {};
}

std::string ReadingGroupOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  // Joining root's group is no advice, and a group that may not read does not help.
  if (st.st_gid == 0 || (st.st_mode & S_IRGRP) == 0) return {};
  long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct group entry {};
  struct group* found = nullptr;
  if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
  return found->gr_name;
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

QString DriveProblemOf(char letter) {
  auto source = DriveTable().Source(letter);
  if (!source) return {};
  std::string error;
  if (source->Open(error)) return {};
  if (source->LastOpenFailure() == TOpenFailure::NoAccess && source->AccessMayBeAsked())
    return ToQ(Tr(strNoAccessAskOnStart, {DrivePathOf(letter)}));
  // Lack of rights is the usual reason a card reader cannot be read; say what to do about it.
  const bool denied = source->LastOpenFailure() == TOpenFailure::NoAccess;
  const std::string path = source->Path().empty() ? source->Name() : source->Path();
  return DriveProblemText(path, denied, error, denied ? ReadingGroupOf(source->Path()) : std::string());
}

}  // namespace quillot::gui
