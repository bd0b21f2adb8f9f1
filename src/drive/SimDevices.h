// The simulated 95/98-family virtual devices over the drive table:
//   "\\.\vwin32"    - VWIN32: interrupt 21h 440Dh/0860h (get device parameters), interrupt 25h and 7305h reads;
//   "\\.\INT2F.VXD" - the CD-ROM driver: code 1 asks whether a drive is a CD-ROM drive, code 2 reads
//                     2048-byte sectors.
// They exist only while the platform answers as the 95/98 family. They read, never write.
#pragma once

#include <memory>
#include <string>

#include "platform/DeviceIo.h"

namespace quillot {

inline constexpr const char* kVwin32DeviceName = "\\\\.\\vwin32";
inline constexpr const char* kInt2fDeviceName = "\\\\.\\INT2F.VXD";

// The platform's own device of that name, or nullptr.
std::unique_ptr<TVirtualDevice> CreateSimulatedDevice(const std::string& name);

std::unique_ptr<TVirtualDevice> MakeSimulatedVwin32();
std::unique_ptr<TVirtualDevice> MakeSimulatedInt2f();

}  // namespace quillot
