// The 95/98 family's device services: open a virtual device by name, pass it a byte block under a
// control code, close it. Linux has no such devices of its own: the drive layer puts its simulations
// over the drive table here (drive/SimDevices.h); tests can put their own device under a name, or take
// a device away.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillot {

using TDeviceHandle = int32_t;
inline constexpr TDeviceHandle INVALID_HANDLE_VALUE = -1;

// The platform's error codes the devices answer with.
enum TPlatformError : uint32_t {
  ERROR_SUCCESS = 0,
  ERROR_INVALID_FUNCTION = 1,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_INVALID_HANDLE = 6,
  ERROR_INVALID_DRIVE = 15,
  ERROR_NOT_READY = 21,
  ERROR_CRC = 23,
  ERROR_SECTOR_NOT_FOUND = 27,
  ERROR_READ_FAULT = 30,
  ERROR_INVALID_PARAMETER = 87,
};

class TVirtualDevice {
 public:
  virtual ~TVirtualDevice() = default;
  // One service call. in/out may alias (the same block as input and output). False, with the last
  // error set, when the service fails.
  virtual bool Control(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                       uint32_t& returned) = 0;
};

using TDeviceFactory = std::function<std::unique_ptr<TVirtualDevice>()>;
// The platform's own devices: the device of that name, or nullptr when it has none.
using TNamedDeviceFactory = std::function<std::unique_ptr<TVirtualDevice>(const std::string& name)>;

// Sets the platform's own devices (none until set; an empty factory means none again).
void SetPlatformDevices(TNamedDeviceFactory factory);

// Puts a device under a name ("\\.\vwin32"); an empty factory makes the name fail to open.
void OverrideDevice(const std::string& name, TDeviceFactory factory);
// Back to the platform's own device for that name (SetPlatformDevices).
void RestoreDevice(const std::string& name);

// Opens a device by name (case-insensitive); INVALID_HANDLE_VALUE and last error 2 when there is none.
TDeviceHandle OpenDevice(const std::string& name);
bool DeviceIoControl(TDeviceHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                     uint32_t* returned);
bool CloseDevice(TDeviceHandle handle);

uint32_t GetLastError();
void SetLastError(uint32_t code);

}  // namespace quillot
