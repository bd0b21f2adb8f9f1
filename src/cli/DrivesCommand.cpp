// quillot-cli drives: the drive list of the Start page, as text.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ImageOptions.h"
#include "drive/DriveTable.h"
#include "drive/FileUtils.h"
#include "drive/IORoutines.h"
#include "i18n/Messages.h"
#include "platform/SysBlockScan.h"

namespace quillot::cli {

namespace {
int RunDrives(const TArgs& args) {
  std::vector<std::string> images;
  TArgs rest;
  std::string error;
  if (!ParseImageOptions(args, images, rest, error)) return UsageError("drives", error);
  if (!rest.empty()) return UsageError("drives", "unexpected argument '" + rest[0] + "'");
  if (!AttachImages(images, false, error)) return UsageError("drives", error);
  if (const std::string gap = DriveListingGap(); !gap.empty()) std::fprintf(stderr, "quillot-cli: %s\n", gap.c_str());
  std::printf("%-24s %-10s %20s  %-8s  %s\n", "Drive", "Type", "Total Space", "S/N", "Status");
  const uint32_t mask = GetLogicalDrives();
  std::vector<std::string> sources;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    TViewDriveParams view;
    GetViewDriveParams(letter, view);
    std::printf("%-24s %-10s %20s  %s  %s\n", DriveCellText(view).c_str(), view.TypeName.c_str(),
                SizeToText(view.TotalSize).c_str(), SerialText(view.Serial).c_str(), DriveStatusText(view).c_str());
    if (auto source = DriveTable().Source(letter)) {
      // Say why a drive cannot be read; otherwise what stands behind the letter.
      const std::string behind = source->Path().empty() ? source->Name() : source->Path();
      sources.push_back(std::string(1, letter) + ": " + (view.Problem.empty() ? behind : view.Problem));
    }
  }
  if (!sources.empty()) {
    std::printf("\n");
    for (const auto& line : sources) std::printf("%s\n", line.c_str());
  }
  return kExitOk;
}

const TCommandRegistration registration({"drives", "[--image FILE]...", "list the drives and attached disk images",
                                         RunDrives});
}  // namespace

}  // namespace quillot::cli
