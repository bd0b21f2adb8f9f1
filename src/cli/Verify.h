// --verify: every recovered file decoded after the pass, each in a child process of its own.
#pragma once

#include <vector>

#include "decode/DecodeReport.h"
#include "engine/RecoveryView.h"

namespace quillot::cli {

// Decodes the files, as many at once as the machine has cores (four at most), and prints each file's
// playing time and outcome in the files' order, then how many play to the end. A stop asked meanwhile
// (Ctrl-C, or SIGINT or SIGTERM to this program alone) starts no more children and ends the running ones
// at once; the files it left, or whose child it ended, stay "not checked". Each child has the time its
// file's length gives it (decode::DecodeTimeFor).
// Answers one report a file, in the files' order.
std::vector<decode::TDecodeReport> VerifyFiles(const std::vector<TRecoveredFile>& files);

}  // namespace quillot::cli
