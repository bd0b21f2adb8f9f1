#include "gui/DriveProblem.h"

#include <cerrno>
#include <unistd.h>

#include "drive/DriveTable.h"
#include "gui/GuiMessages.h"
#include "gui/QtText.h"

namespace quillot::gui {

QString DriveProblemText(const std::string& path, bool permissionDenied, const std::string& openError) {
  if (permissionDenied) return ToQ(Tr(strNoReadPermission, {path}));
  if (!openError.empty()) return ToQ(Tr(strCannotOpenDrive, {openError}));
  return {};
}

QString DriveProblemOf(char letter) {
  auto source = DriveTable().Source(letter);
  if (!source) return {};
  const std::string path = source->Path();
  // Lack of rights is the usual reason a card reader cannot be read; say what to do about it.
  const bool denied = !path.empty() && ::access(path.c_str(), R_OK) != 0 && errno == EACCES;
  std::string error;
  if (!denied && source->Open(error)) return {};
  return DriveProblemText(path, denied, error);
}

}  // namespace quillot::gui
