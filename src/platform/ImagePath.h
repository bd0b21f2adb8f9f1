// What a path given as a disk image is, before it is attached to a drive letter.
#pragma once

#include <string>

namespace quillot {

enum class TImagePathKind { File, Device, Folder, Other, Unreadable };

struct TImagePath {
  TImagePathKind Kind = TImagePathKind::Unreadable;
  std::string Canonical;  // absolute, links resolved; the path itself when that cannot be done
  std::string Error;      // why it cannot be read (Unreadable)
};

// Examines path and tries to open it for reading, without reading a byte.
TImagePath ExamineImagePath(const std::string& path);

}  // namespace quillot
