#include "platform/AddressTokens.h"

namespace quillot {

uint32_t TAddressTokens::Map(void* data, size_t size) {
  std::lock_guard lock(mutex_);
  do {
    next_ += 0x10;
    if (next_ < 0x00010000) next_ = 0x00010000;  // wrapped: never hand out 0 or a small number
  } while (buffers_.count(next_) != 0);
  buffers_[next_] = TMappedBuffer{static_cast<uint8_t*>(data), size};
  return next_;
}

void TAddressTokens::Unmap(uint32_t token) {
  std::lock_guard lock(mutex_);
  buffers_.erase(token);
}

TMappedBuffer TAddressTokens::Resolve(uint32_t token) {
  std::lock_guard lock(mutex_);
  auto it = buffers_.find(token);
  return it == buffers_.end() ? TMappedBuffer{} : it->second;
}

TAddressTokens& AddressTokens() {
  static auto* tokens = new TAddressTokens;  // never destroyed, like the devices that use it
  return *tokens;
}

}  // namespace quillot
