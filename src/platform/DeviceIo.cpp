#include "platform/DeviceIo.h"

#include <map>
#include <mutex>
#include <optional>

#include "util/Text.h"

namespace quillot {

namespace {
struct TDeviceRegistry {
  std::mutex mutex;
  std::map<std::string, TDeviceFactory> overrides;  // keyed by upper-case name
  TNamedDeviceFactory platform;
  std::map<TDeviceHandle, std::unique_ptr<TVirtualDevice>> open;
  TDeviceHandle next = 0x100;
};

// Never destroyed: the drive-access layer closes its devices from an exit handler.
TDeviceRegistry& Registry() {
  static auto* registry = new TDeviceRegistry;
  return *registry;
}

thread_local uint32_t gLastError = ERROR_SUCCESS;
}  // namespace

void SetPlatformDevices(TNamedDeviceFactory factory) {
  auto& r = Registry();
  std::lock_guard lock(r.mutex);
  r.platform = std::move(factory);
}

void OverrideDevice(const std::string& name, TDeviceFactory factory) {
  auto& r = Registry();
  std::lock_guard lock(r.mutex);
  r.overrides[UpperCase(name)] = std::move(factory);
}

void RestoreDevice(const std::string& name) {
  auto& r = Registry();
  std::lock_guard lock(r.mutex);
  r.overrides.erase(UpperCase(name));
}

TDeviceHandle OpenDevice(const std::string& name) {
  auto& r = Registry();
  std::unique_ptr<TVirtualDevice> device;
  {
    std::lock_guard lock(r.mutex);
    auto it = r.overrides.find(UpperCase(name));
    if (it != r.overrides.end()) {
      if (it->second) device = it->second();
    } else if (r.platform) {
      device = r.platform(name);
    }
  }
  if (!device) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard lock(r.mutex);
  TDeviceHandle handle = r.next++;
  r.open[handle] = std::move(device);
  return handle;
}

bool DeviceIoControl(TDeviceHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                     uint32_t* returned) {
  TVirtualDevice* device = nullptr;
  {
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    auto it = r.open.find(handle);
    if (it != r.open.end()) device = it->second.get();
  }
  uint32_t count = 0;
  bool ok = false;
  if (device == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
  } else if ((in == nullptr && inSize != 0) || (out == nullptr && outSize != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
  } else {
    ok = device->Control(code, static_cast<const uint8_t*>(in), inSize, static_cast<uint8_t*>(out), outSize, count);
  }
  if (returned != nullptr) *returned = ok ? count : 0;
  return ok;
}

bool CloseDevice(TDeviceHandle handle) {
  auto& r = Registry();
  std::lock_guard lock(r.mutex);
  if (r.open.erase(handle) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

uint32_t GetLastError() { return gLastError; }
void SetLastError(uint32_t code) { gLastError = code; }

}  // namespace quillot
