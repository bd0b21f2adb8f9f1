#include "wizard/DriveRows.h"

#include "drive/DriveTable.h"
#include "drive/FileUtils.h"

namespace quillot {

std::vector<TDriveRow> DriveRows() {
  std::vector<TDriveRow> rows;
  const uint32_t mask = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(mask & (1u << (letter - 'A')))) continue;
    TViewDriveParams params;
    GetViewDriveParams(letter, params);
    TDriveRow row;
    row.Letter = letter;
    row.Cells = {DriveCellText(params), params.TypeName, SizeToText(params.TotalSize), SerialText(params.Serial),
                 DriveStatusText(params)};
    row.Hint = params.Problem;
    if (auto source = DriveTable().Source(letter); source && row.Hint.empty()) row.Hint = source->Path();
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace quillot
