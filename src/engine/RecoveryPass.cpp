#include "engine/RecoveryPass.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "platform/ProgramFolder.h"
#include "drive/SameDevice.h"
#include "engine/FileDetection.h"
#include "engine/RecoveredFileOutput.h"
#include "i18n/Messages.h"
#include "util/Text.h"

namespace quillot {

int ProgressPercent(uint32_t sector, uint32_t total) {
  if (total == 0) return 0;
  long double share = static_cast<long double>(sector) / static_cast<long double>(total) * 100.0L;
  return static_cast<int>(std::nearbyintl(share));  // the default rounding mode takes a half to even
}

std::string WithTrailingDelimiter(const std::string& folder) {
  if (!folder.empty() && folder.back() == PathDelim) return folder;
  return folder + PathDelim;
}

namespace {
// The destination written as "X:\..." names the source drive by its letter.
bool NamesDriveByLetter(char letter, const std::string& folder) {
  std::string root = UpperCase(std::string(1, letter) + ":\\");
  return UpperCase(folder).find(root) != std::string::npos;
}

// The sectors of one chunk: the setting, cut to what remains and to what fits in the buffer.
uint32_t ChunkSectors(int32_t setting, uint32_t current, uint32_t total, uint32_t bytesPerSec) {
  uint64_t n = setting >= 1 ? static_cast<uint64_t>(setting) : 5000;
  n = std::min<uint64_t>(n, total - current);
  n = std::min<uint64_t>(n, kWorkBufferSize / bytesPerSec);
  n = std::min<uint64_t>(n, 0xFFFF);  // the reader takes a 16-bit count
  return static_cast<uint32_t>(n);
}
}  // namespace

void TRecoveryPass::StartRecovery(const TRecoveryOptions& options, TFormatsList& catalogue) {
  // A failed query counts as a drive without sectors, never as the last drive's count.
  if (!GetDriveParams(options.DriveNumber, DriveParams)) DriveParams = TDriveParams{};
  if (DriveParams.TotalPhysSec == 0 || DriveParams.BytesPerSec == 0 || DriveParams.BytesPerSec > kWorkBufferSize) {
    view_.ShowMessage(Tr(strErrorNoPsysSectors), false);
    return;
  }
  const std::string folder = WithTrailingDelimiter(options.TargetFolder);
  const uint32_t total = DriveParams.TotalPhysSec;
  const uint32_t bytesPerSec = DriveParams.BytesPerSec;

  view_.SetStartStopEnabled(false, true);
  Running = true;
  StopRequested = false;
  FilesFound = 0;
  ReadErrors = 0;
  FatalError = false;

  auto endSteps = [&] {
    view_.SetStatus(Tr(strIdle));
    view_.SetBusy(false);
    view_.SetStartStopEnabled(true, false);
    view_.OnPassEnded();
    Running = false;
    PassDone = true;
  };

  std::unique_ptr<uint8_t[]> buffer;
  TFileDetection detection;
  try {
    view_.ShowReadErrors(0);
    view_.ShowFilesFound(0);
    view_.CheckState();
    view_.SetStatus(Tr(strBusy));
    view_.SetBusy(true);
    view_.ProcessMessages();
    view_.AddLogLine(Tr(strRecoveryStarted, {std::string(1, options.DriveLetter)}));
    // The same-drive check comes before the folder is created, so a refused destination leaves the
    // source untouched.
    if (NamesDriveByLetter(options.DriveLetter, folder) || DestinationOnDrive(options.DriveLetter, folder)) {
      view_.ShowMessage(Tr(strSameDiskError), true);
      StopRequested = true;
    } else {
      files_.CreateFolder(folder);
    }
    detection = PrepareCatalogue(catalogue);
    buffer.reset(new uint8_t[kWorkBufferSize]);
  } catch (...) {
    // The pass could not start (no memory for the buffer, say): undo it, so Start is available again.
    view_.AddLogLine(Tr(strRecoveryEncounteredFatalError));
    endSteps();
    return;
  }
  detection.SetBufferBounds(buffer.get(), kWorkBufferSize);
  view_.OnPassStarted(options.StartSector, total, bytesPerSec);

  TFileOutput output(files_, view_, folder);
  // The chunk is zeroed before it is read, so a failed read leaves zeros where nothing came. A reader
  // that tells how much it transferred lets that wait for a failure: a read that succeeds overwrites
  // every byte anyway.
  const bool tellsTransfers = ReaderTellsTransfers();
  bool raised = false;
  try {
    uint32_t current = options.StartSector;
    while (current < total && !StopRequested && !output.FatalError) {
      uint32_t n = ChunkSectors(options.SectorsToRead, current, total, bytesPerSec);
      const size_t chunkBytes = static_cast<size_t>(n) * bytesPerSec;
      if (!tellsTransfers) std::fill_n(buffer.get(), chunkBytes, uint8_t{0});
      for (int32_t attempt = 0;;) {
        if (ReadSectors(options.DriveNumber, current, static_cast<uint16_t>(n), buffer.get())) break;
        if (tellsTransfers && attempt == 0) {
          const size_t transferred = std::min(LastReadTransferred(), chunkBytes);
          std::fill(buffer.get() + transferred, buffer.get() + chunkBytes, uint8_t{0});
        }
        n = 1;
        if (DriveParams.DriveKind != dkCDROM || attempt > 0) ++ReadErrors;
        ++attempt;
        view_.ProcessMessages();
        view_.ShowReadErrors(ReadErrors);
        if (attempt > options.RetryCount) break;
      }
      const uint8_t* sector = buffer.get();
      for (uint32_t k = 0; k < n; ++k, ++current, sector += bytesPerSec) {
        view_.OnSector(current);
        if (const TFormat* format = detection.Match(sector)) {
          output.Close();
          output.Start(format->FilePrefix, format->FileExtension, format->Title, current);
          FilesFound = output.FilesFound;
          view_.ShowFilesFound(FilesFound);
        }
        output.Append(sector, bytesPerSec);
      }
      output.Flush();
    }
  } catch (...) {
    raised = true;
  }
  try {
    output.Close();
  } catch (...) {
    raised = true;
  }
  FilesFound = output.FilesFound;
  FatalError = output.FatalError;

  if (FatalError || raised)
    view_.AddLogLine(Tr(strRecoveryEncounteredFatalError));
  else if (StopRequested)
    view_.AddLogLine(Tr(strRecoveryCancelled));
  else
    view_.AddLogLine(Tr(strRecoveryFinished));
  endSteps();
}

}  // namespace quillot
