// The 95/98 family over the simulated VWIN32 and INT2F.VXD devices: version rules, the register and
// packet layouts, the CD-ROM Abort/Retry/Ignore box and the start-up warnings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "drive/DriveAccess.h"
#include "drive/IORoutines.h"
#include "drive/SimDevices.h"
#include "platform/AddressTokens.h"
#include "platform/Win9xBlocks.h"
#include "platform/WinVersion.h"
#include "support/EnvVar.h"
#include "support/FakeDisk.h"
#include "support/ScriptedDialogs.h"

namespace quillot {
namespace {

using testing::TFakeDisk;
using testing::TFakeDiskRegistration;
using testing::TScopedEmptyDriveTable;
using testing::TScriptedDialogs;

TOSVersionInfoA Version(uint32_t platform, uint32_t major, uint32_t minor, const char* csd) {
  TOSVersionInfoA v;
  v.dwOSVersionInfoSize = kOSVersionInfoSize;
  v.dwPlatformId = platform;
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  std::strncpy(v.szCSDVersion, csd, sizeof(v.szCSDVersion) - 1);
  return v;
}

TEST(Win9xVersionTest, ExtendedAbsoluteReadRules) {
  EXPECT_TRUE(HasExtAbsReadFor(Version(1, 4, 0, " B ")));
  EXPECT_TRUE(HasExtAbsReadFor(Version(1, 4, 0, "\tB\r\n")));
  EXPECT_TRUE(HasExtAbsReadFor(Version(1, 4, 10, "")));
  EXPECT_TRUE(HasExtAbsReadFor(Version(1, 4, 90, " A ")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 4, 0, "")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 4, 0, " A ")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 4, 0, " C ")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 4, 0, "BB")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 5, 0, "")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(1, 3, 10, "")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(2, 4, 10, "")));
  EXPECT_FALSE(HasExtAbsReadFor(Version(0, 4, 10, "")));

  TOSVersionInfoA wrongSize;
  wrongSize.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(GetVersionExA(wrongSize));
  EXPECT_EQ(wrongSize.dwPlatformId, 0u);
  EXPECT_FALSE(VersionOfPlatformName("win2000"));
}

// Passes calls on to the simulated VWIN32 and keeps the register blocks it was given.
class TRecordingVwin32 final : public TVirtualDevice {
 public:
  explicit TRecordingVwin32(std::vector<std::pair<uint32_t, TDiocRegisters>>& log)
      : log_(log), inner_(MakeSimulatedVwin32()) {}
  bool Control(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
               uint32_t& returned) override {
    TDiocRegisters regs;
    if (inSize >= kDiocRegistersSize) std::memcpy(regs.Data(), in, kDiocRegistersSize);
    log_.emplace_back(code, regs);
    return inner_->Control(code, in, inSize, out, outSize, returned);
  }

 private:
  std::vector<std::pair<uint32_t, TDiocRegisters>>& log_;
  std::unique_ptr<TVirtualDevice> inner_;
};

class Win9xFamilyTest : public ::testing::Test {
 protected:
  void Start(const char* platform) {
    SetSimulatedVersion(VersionOfPlatformName(platform));
    DriveAccessInit();
  }
  void TearDown() override {
    DriveAccessDone();
    RestoreDevice(kVwin32DeviceName);
    RestoreDevice(kInt2fDeviceName);
    SetSimulatedVersion(std::nullopt);
  }
  TScopedEmptyDriveTable table_;
  TScriptedDialogs dialogs_;
};

bool SectorHoldsPattern(const uint8_t* p, uint64_t sector, uint32_t size) {
  for (uint32_t j = 0; j < size; ++j)
    if (p[j] != TFakeDisk::PatternByte(sector, j)) return false;
  return true;
}

TEST_F(Win9xFamilyTest, RetailUsesInterrupt25AndLaterVersionsUse7305) {
  for (auto [platform, code] : {std::pair{"win95", VWIN32_DIOC_DOS_INT25},
                                {"win95b", VWIN32_DIOC_DOS_DRIVEINFO},
                                {"win98", VWIN32_DIOC_DOS_DRIVEINFO}}) {
    std::vector<std::pair<uint32_t, TDiocRegisters>> log;
    OverrideDevice(kVwin32DeviceName, [&log] { return std::make_unique<TRecordingVwin32>(log); });
    Start(platform);
    auto disk = std::make_shared<TFakeDisk>(100 * 512);
    TFakeDiskRegistration r('D', disk);
    std::vector<uint8_t> buf(3 * 512);
    ASSERT_TRUE(ReadSectors(4, 7, 3, buf.data())) << platform;
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(SectorHoldsPattern(&buf[k * 512], 7 + k, 512)) << platform;
    ASSERT_FALSE(log.empty());
    const auto& [lastCode, regs] = log.back();
    EXPECT_EQ(lastCode, code) << platform;
    if (code == VWIN32_DIOC_DOS_INT25) {
      EXPECT_EQ(regs.Get(reg_EAX), 3u);  // D: counted from 0
      EXPECT_EQ(regs.Get(reg_ECX), 0xFFFFu);
    } else {
      EXPECT_EQ(regs.Get(reg_EAX), 0x7305u);
      EXPECT_EQ(regs.Get(reg_ECX), 0xFFFFFFFFu);
      EXPECT_EQ(regs.Get(reg_EDX), 4u);
      EXPECT_EQ(regs.Get(reg_ESI), 0u);
    }
    EXPECT_FALSE(ReadSectors(4, 99, 2, buf.data())) << platform;  // runs past the end
    // The services' 32-bit sector numbers: a read past them fails, never wraps to sector 7.
    EXPECT_FALSE(ReadSectors(4, (uint64_t{1} << 32) + 7, 3, buf.data())) << platform;
    EXPECT_FALSE(ReadSectors(0, 0, 1, buf.data()));
    EXPECT_FALSE(ReadSectors(27, 0, 1, buf.data()));
    EXPECT_FALSE(ReadSectors(5, 0, 1, buf.data()));  // E: holds nothing
    DriveAccessDone();
    RestoreDevice(kVwin32DeviceName);
  }
  EXPECT_TRUE(dialogs_.Shown.empty());
}

// A VWIN32 whose 440Dh answers come from a script: one function per call, filling the parameters block.
class TScriptedVwin32 final : public TVirtualDevice {
 public:
  using TAnswer = std::function<bool(uint8_t* block)>;  // false: the service fails (carry set)
  TScriptedVwin32(std::vector<TAnswer> answers, std::vector<TDiocRegisters>& seen, std::vector<uint8_t>& special)
      : answers_(std::move(answers)), seen_(seen), special_(special) {}
  bool Control(uint32_t code, const uint8_t* in, uint32_t, uint8_t* out, uint32_t, uint32_t& returned) override {
    if (code != VWIN32_DIOC_DOS_IOCTL) return false;
    TDiocRegisters regs;
    std::memcpy(regs.Data(), in, kDiocRegistersSize);
    seen_.push_back(regs);
    TMappedBuffer block = AddressTokens().Resolve(regs.Get(reg_EDX));
    if (block.Data == nullptr || block.Size < kDpMinimumSize || next_ >= answers_.size()) return false;
    special_.push_back(block.Data[kDpSpecialFunctions]);
    const bool ok = answers_[next_++](block.Data);
    regs.Set(reg_Flags, ok ? regs.Get(reg_Flags) & ~kCarryFlag : regs.Get(reg_Flags) | kCarryFlag);
    std::memcpy(out, regs.Data(), kDiocRegistersSize);
    returned = kDiocRegistersSize;
    return true;
  }

 private:
  std::vector<TAnswer> answers_;
  size_t next_ = 0;
  std::vector<TDiocRegisters>& seen_;
  std::vector<uint8_t>& special_;
};

TEST_F(Win9xFamilyTest, DeviceParametersTakeTheLargestAnswer) {
  std::vector<TDiocRegisters> seen;
  std::vector<uint8_t> special;
  auto floppy = [](uint8_t* b) {
    b[kDpDeviceType] = 7;
    PutLE16(b + kDpAttributes, 0);
    PutLE16(b + kDpCylinders, 80);
    PutLE16(b + kDpBytesPerSector, 512);
    PutLE16(b + kDpTotalSectors16, 2880);
    PutLE16(b + kDpSectorsPerTrack, 18);
    PutLE16(b + kDpHeads, 2);
    return true;
  };
  auto nothing = [](uint8_t* b) {
    b[kDpDeviceType] = 7;
    return true;
  };
  OverrideDevice(kVwin32DeviceName, [&] {
    return std::make_unique<TScriptedVwin32>(std::vector<TScriptedVwin32::TAnswer>{floppy, nothing}, seen, special);
  });
  Start("win98");
  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(1, p));
  EXPECT_EQ(p.TotalPhysSec, 2880u);
  EXPECT_EQ(p.BytesPerSec, 512u);
  EXPECT_EQ(p.DriveKind, dkFloppy);
  EXPECT_EQ(p.Removable, 1);
  EXPECT_EQ(p.Cylinders, 0u);  // geometry from the second answer
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(special, (std::vector<uint8_t>{1, 0}));
  for (const auto& regs : seen) {
    EXPECT_EQ(regs.Get(reg_EAX), 0x440Du);
    EXPECT_EQ(regs.Get(reg_EBX), 1u);
    EXPECT_EQ(regs.Get(reg_ECX), 0x0860u);
    EXPECT_EQ(regs.Get(reg_Flags), kCarryFlag);
  }
}

TEST_F(Win9xFamilyTest, OnlyTheFirstAnswerCountingAnswersFalseWithItsCount) {
  std::vector<TDiocRegisters> seen;
  std::vector<uint8_t> special;
  auto fixed = [](uint8_t* b) {
    b[kDpDeviceType] = 5;
    PutLE16(b + kDpAttributes, 1);
    PutLE16(b + kDpBytesPerSector, 512);
    PutLE32(b + kDpTotalSectors32, 123456);
    return true;
  };
  auto fail = [](uint8_t*) { return false; };
  OverrideDevice(kVwin32DeviceName, [&] {
    return std::make_unique<TScriptedVwin32>(std::vector<TScriptedVwin32::TAnswer>{fixed, fail}, seen, special);
  });
  Start("win95");
  TDriveParams p;
  p.DriveKind = dkCDROM;
  p.Cylinders = 42;
  EXPECT_FALSE(GetDriveParams(3, p));
  EXPECT_EQ(p.TotalPhysSec, 123456u);
  EXPECT_EQ(p.BytesPerSec, 512u);
  EXPECT_EQ(p.DriveKind, dkCDROM);  // the rest stays as it was
  EXPECT_EQ(p.Cylinders, 42u);
}

TEST_F(Win9xFamilyTest, SimulatedParametersOfDisksAndCDs) {
  Start("win98");
  auto disk = std::make_shared<TFakeDisk>(70000 * 512 + 7);
  auto cd = std::make_shared<TFakeDisk>(2048 * 40, 2048, TSourceKind::Optical);
  auto odd = std::make_shared<TFakeDisk>(4096, 1000);
  auto large = std::make_shared<TFakeDisk>(512);
  large->LengthReported = uint64_t{3} << 40;  // 3 TiB: more sectors than the 32-bit field holds
  TFakeDiskRegistration r1('C', disk), r2('D', cd), r3('E', odd), r4('F', large);
  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(3, p));
  EXPECT_EQ(p.TotalPhysSec, 70001u);
  EXPECT_EQ(p.BytesPerSec, 512u);
  EXPECT_EQ(p.DriveKind, dkFixed);
  EXPECT_EQ(p.Removable, 0);
  ASSERT_TRUE(GetDriveParams(4, p));
  EXPECT_EQ(p.DriveKind, dkCDROM);
  EXPECT_EQ(p.BytesPerSec, 2048u);
  EXPECT_EQ(p.TotalPhysSec, 40u);
  ASSERT_TRUE(GetDriveParams(6, p));
  EXPECT_EQ(p.TotalPhysSec, 6442450944u);  // the full field, then the medium's length
  EXPECT_FALSE(GetDriveParams(5, p));
  std::vector<uint8_t> buf(4096, 0xEE);
  EXPECT_FALSE(ReadSectors(5, 0, 1, buf.data()));
  EXPECT_EQ(buf[0], 0xEE);
}

TEST_F(Win9xFamilyTest, CDReadErrorAsksAbortRetryIgnore) {
  Start("win98");
  auto cd = std::make_shared<TFakeDisk>(2048 * 200, 2048, TSourceKind::Optical);
  TFakeDiskRegistration r('D', cd);
  const std::string text = "Error reading sector, \r\ndrv:4 LBA:100 blocks:5\r\n\r\n Abort, Retry or Ignore?";
  std::vector<uint8_t> buf(5 * 2048);

  // Retry, and the sector reads the second time.
  cd->FailingSectors = {102};
  dialogs_.Answers = {TDialogAnswer::Retry};
  dialogs_.OnShow = [&](const TScriptedDialogs::TShown&) { cd->FailingSectors.clear(); };
  ASSERT_TRUE(ReadSectors(4, 100, 5, buf.data()));
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(SectorHoldsPattern(&buf[k * 2048], 100 + k, 2048)) << k;
  ASSERT_EQ(dialogs_.Shown.size(), 1u);
  EXPECT_EQ(dialogs_.Shown[0].Text, text);
  EXPECT_EQ(dialogs_.Shown[0].Caption.rfind("MSCDEX/CDFS CD-ROM read error ", 0), 0u);
  EXPECT_NE(dialogs_.Shown[0].Caption, "MSCDEX/CDFS CD-ROM read error 0");
  EXPECT_EQ(dialogs_.Shown[0].Buttons, TDialogButtons::AbortRetryIgnore);
  EXPECT_EQ(dialogs_.Shown[0].Icon, TDialogIcon::Warning);

  // Retry any number of times, then Ignore: sector 102 counts as read, 103 and 104 follow.
  dialogs_.Shown.clear();
  dialogs_.OnShow = nullptr;
  cd->FailingSectors = {102};
  dialogs_.Answers = {TDialogAnswer::Retry, TDialogAnswer::Retry, TDialogAnswer::Ignore};
  std::fill(buf.begin(), buf.end(), 0xEE);
  ASSERT_TRUE(ReadSectors(4, 100, 5, buf.data()));
  EXPECT_EQ(dialogs_.Shown.size(), 3u);
  EXPECT_TRUE(SectorHoldsPattern(&buf[1 * 2048], 101, 2048));
  EXPECT_TRUE(SectorHoldsPattern(&buf[3 * 2048], 103, 2048));
  EXPECT_TRUE(SectorHoldsPattern(&buf[4 * 2048], 104, 2048));

  // Abort: false, sectors 100 and 101 in the buffer, the rest untouched.
  dialogs_.Shown.clear();
  dialogs_.Answers = {TDialogAnswer::Abort};
  std::fill(buf.begin(), buf.end(), 0xEE);
  EXPECT_FALSE(ReadSectors(4, 100, 5, buf.data()));
  EXPECT_EQ(dialogs_.Shown.size(), 1u);
  EXPECT_TRUE(SectorHoldsPattern(&buf[0], 100, 2048));
  EXPECT_TRUE(SectorHoldsPattern(&buf[2048], 101, 2048));
  for (size_t i = 2 * 2048; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << i;

  // Count 0 reads nothing and asks nothing.
  dialogs_.Shown.clear();
  uint8_t guard = 0x5A;
  EXPECT_TRUE(ReadSectors(4, 102, 0, &guard));
  EXPECT_EQ(guard, 0x5A);
  EXPECT_TRUE(dialogs_.Shown.empty());
}

TEST_F(Win9xFamilyTest, NTFamilyReadsCDsWithoutAsking) {
  Start("nt");
  auto cd = std::make_shared<TFakeDisk>(2048 * 200, 2048, TSourceKind::Optical);
  cd->FailingSectors = {102};
  TFakeDiskRegistration r('D', cd);
  std::vector<uint8_t> buf(5 * 2048);
  EXPECT_FALSE(ReadSectors(4, 100, 5, buf.data()));
  EXPECT_TRUE(ReadSectors(4, 103, 2, buf.data()));
  EXPECT_TRUE(SectorHoldsPattern(&buf[2048], 104, 2048));
  EXPECT_TRUE(dialogs_.Shown.empty());
}

TEST_F(Win9xFamilyTest, MissingDevicesWarnAtStartAndReadsFail) {
  OverrideDevice(kVwin32DeviceName, nullptr);
  OverrideDevice(kInt2fDeviceName, nullptr);
  auto cd = std::make_shared<TFakeDisk>(2048 * 10, 2048, TSourceKind::Optical);
  auto disk = std::make_shared<TFakeDisk>(512 * 10);
  TFakeDiskRegistration r1('C', disk), r2('D', cd);
  Start("win95");
  ASSERT_EQ(dialogs_.Shown.size(), 2u);
  EXPECT_EQ(dialogs_.Shown[0].Text, "Error loading \"VWIN32.VXD (INT25/26)\"");
  EXPECT_EQ(dialogs_.Shown[1].Text, "Error loading \"INT2F.VXD\" (MSCDEX/CDFS)");
  for (const auto& shown : dialogs_.Shown) {
    EXPECT_EQ(shown.Caption, "Error");
    EXPECT_EQ(shown.Icon, TDialogIcon::Warning);
  }
  std::vector<uint8_t> buf(2048);
  TDriveParams p;
  EXPECT_FALSE(ReadSectors(3, 0, 1, buf.data()));
  EXPECT_FALSE(GetDriveParams(3, p));
  EXPECT_FALSE(IsCDROMDrive(4));  // without INT2F.VXD no drive is a CD-ROM drive
  EXPECT_FALSE(ReadSectors(4, 0, 1, buf.data()));
  EXPECT_EQ(dialogs_.Shown.size(), 2u);
}

TEST_F(Win9xFamilyTest, PlatformChosenByTheEnvironment) {
  testing::TEnvVar platform("QUILLOT_PLATFORM", "Win98");
  auto disk = std::make_shared<TFakeDisk>(512 * 10);
  TFakeDiskRegistration r('C', disk);
  std::vector<uint8_t> buf(512);

  DriveAccessInit();
  EXPECT_FALSE(AccessState().IsWinNT);
  EXPECT_TRUE(AccessState().HasExtAbsRead);
  EXPECT_NE(AccessState().Vwin32, INVALID_HANDLE_VALUE);
  EXPECT_NE(AccessState().Int2f, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReadSectors(3, 1, 1, buf.data()));
  EXPECT_TRUE(SectorHoldsPattern(buf.data(), 1, 512));
  EXPECT_TRUE(dialogs_.Shown.empty());

  testing::TEnvVar::Set("QUILLOT_PLATFORM", "os2");
  DriveAccessInit();
  EXPECT_TRUE(AccessState().IsWinNT);
  ASSERT_EQ(dialogs_.Shown.size(), 1u);
  EXPECT_NE(dialogs_.Shown[0].Text.find("os2"), std::string::npos);
  disk->Opens = 0;
  EXPECT_TRUE(ReadSectors(3, 1, 1, buf.data()));
  EXPECT_TRUE(ReadSectors(3, 2, 1, buf.data()));
  EXPECT_EQ(disk->Opens, 1);  // the NT path keeps its handle
}

TEST_F(Win9xFamilyTest, SimulatedServicesRefuseWritesAndBadBlocks) {
  auto disk = std::make_shared<TFakeDisk>(512 * 10);
  TFakeDiskRegistration r('C', disk);
  Start("win98");
  auto vwin32 = MakeSimulatedVwin32();
  std::vector<uint8_t> buf(512);
  std::vector<uint8_t> packet(kDiskIoSize);
  TScopedAddress bufAddress(buf.data(), buf.size()), packetAddress(packet.data(), packet.size());
  PutLE16(&packet[kDiskIoSectors], 1);
  PutLE32(&packet[kDiskIoBuffer], bufAddress.Token());
  TDiocRegisters regs;
  regs.Set(reg_EAX, 0x7305);
  regs.Set(reg_EBX, packetAddress.Token());
  regs.Set(reg_ECX, 0xFFFFFFFF);
  regs.Set(reg_EDX, 3);
  regs.Set(reg_ESI, 1);  // write
  uint32_t returned = 0;
  ASSERT_TRUE(vwin32->Control(VWIN32_DIOC_DOS_DRIVEINFO, regs.Data(), kDiocRegistersSize, regs.Data(),
                              kDiocRegistersSize, returned));
  EXPECT_TRUE(regs.Carry());

  // Two sectors into a one-sector buffer: refused, nothing written past it.
  regs.Set(reg_ESI, 0);
  regs.Set(reg_Flags, 0);
  PutLE16(&packet[kDiskIoSectors], 2);
  ASSERT_TRUE(vwin32->Control(VWIN32_DIOC_DOS_DRIVEINFO, regs.Data(), kDiocRegistersSize, regs.Data(),
                              kDiocRegistersSize, returned));
  EXPECT_TRUE(regs.Carry());

  // An address that was never mapped.
  regs.Set(reg_Flags, 0);
  regs.Set(reg_EBX, 0x1234);
  ASSERT_TRUE(vwin32->Control(VWIN32_DIOC_DOS_DRIVEINFO, regs.Data(), kDiocRegistersSize, regs.Data(),
                              kDiocRegistersSize, returned));
  EXPECT_TRUE(regs.Carry());

  // A block too short for the registers.
  EXPECT_FALSE(vwin32->Control(VWIN32_DIOC_DOS_INT25, regs.Data(), 10, regs.Data(), 10, returned));
  EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, VWIN32_DIOC_DOS_INT25, regs.Data(), kDiocRegistersSize,
                               regs.Data(), kDiocRegistersSize, &returned));
}

}  // namespace
}  // namespace quillot
