// Raw drive access: the drive-parameters query and the sector reader, over the drive table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quillot {

enum TDriveKind : uint16_t { dkUnknown = 0, dkFloppy = 1, dkRemovable = 2, dkFixed = 3, dkCDROM = 4 };

struct TDriveParams {
  uint16_t DriveKind = dkUnknown;
  uint16_t Removable = 0;
  uint32_t Cylinders = 0;
  uint32_t Heads = 0;
  uint32_t SecPerTrack = 0;
  uint32_t BytesPerSec = 0;
  uint64_t TotalPhysSec = 0;
};

// Drive numbers: 1 = A: ... 26 = Z:, 0 = none.
// Fills params for the drive; false when the platform could not describe it.
bool GetDriveParams(uint8_t DriveNumber, TDriveParams& params);

// Reads Count whole sectors from FirstSector into Buffer (Count x the drive's sector size bytes).
// True when all are there; false on failure, with what was transferred before it left in Buffer.
// On the 95/98 family a read past the first 2^32 sectors fails.
bool ReadSectors(uint8_t DriveNumber, uint64_t FirstSector, uint16_t Count, void* Buffer);

// How many sectors, from sector 0, ReadSectors can reach: 2^32 on the 95/98 family, whose services
// take a 32-bit start sector; every sector on the NT family.
uint64_t ReaderSectorLimit();

// How many bytes, from its start, the last ReadSectors call put into its buffer, where the reader can
// tell (the NT family's path); ReaderTellsTransfers says whether it can.
bool ReaderTellsTransfers();
size_t LastReadTransferred();

// Called between the transfers of one NT-family ReadSectors call with the sector the read has reached, so
// that a slow source does not hold its caller for a whole chunk. The layer is not re-entrant: a
// ReadSectors call made from inside the hook fails without touching the read in hand.
using TTransferHook = std::function<void(uint64_t sectorReached)>;
void SetTransferHook(TTransferHook hook);

// The drive-access layer's start-up and exit.
void DriveAccessInit();
void DriveAccessDone();

}  // namespace quillot
