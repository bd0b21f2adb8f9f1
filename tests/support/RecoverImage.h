// A recovery pass over a disk image file with the shipped catalogue, as quillot-cli recover --image runs one.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "engine/RecoveryPass.h"
#include "formats/FileTypes.h"
#include "support/RecordingView.h"

namespace quillot::test {

// The files the pass wrote into out, in the order it closed them; none (and a failure) when the image cannot
// be attached.
inline std::vector<TRecoveredFile> RecoverImage(const std::string& image, const std::string& out, int32_t sectorsToRead,
                                                bool trim, bool reassemble) {
  std::string error;
  auto letter = AttachImage(image, error);
  EXPECT_TRUE(letter) << error;
  if (!letter) return {};
  DriveAccessInit();
  TDataStorage storage;
  storage.LoadFormats(QUILLOT_SOURCE_DIR "/data/Quillot.ini");
  TRecordingView view;
  TDiskDestination files;
  TRecoveryPass pass(view, files);
  TRecoveryOptions options{*letter, static_cast<uint8_t>(*letter - 'A' + 1), out, 1, sectorsToRead, 0};
  options.Trim = trim;
  options.Reassemble = reassemble;
  pass.StartRecovery(options, storage.Formats);
  DriveAccessDone();
  DriveTable().Remove(*letter);
  return view.files;
}

}  // namespace quillot::test
