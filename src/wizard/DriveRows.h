// The Start page's drive list: one row per drive letter the system has, A to Z.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quillot {

struct TDriveRow {
  char Letter = 0;
  // Drive (the letter, with the volume label in brackets when it has one), Type, Total Space, S/N, Status.
  std::array<std::string, 5> Cells;
  // Why the drive cannot be read, else the device or image behind the letter.
  std::string Hint;
};

// The rows FillDrivesList shows, in letter order; a letter not in the logical-drive mask is never listed.
std::vector<TDriveRow> DriveRows();

}  // namespace quillot
