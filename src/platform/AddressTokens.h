// 32-bit stand-ins for buffer addresses in the 95/98 family's register and packet blocks.
//
// Those blocks carry addresses in 32-bit fields, which cannot hold a 64-bit pointer. The caller maps its
// buffer to a token for the length of one service call and puts the token in the field; the simulated
// device turns the token back into the buffer and its size, so it can never write past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

namespace quillot {

struct TMappedBuffer {
  uint8_t* Data = nullptr;
  size_t Size = 0;
};

class TAddressTokens {
 public:
  // A fresh non-zero token for the buffer.
  uint32_t Map(void* data, size_t size);
  void Unmap(uint32_t token);
  // The buffer of a token; Data is null for an unknown token.
  TMappedBuffer Resolve(uint32_t token);

 private:
  std::mutex mutex_;
  std::map<uint32_t, TMappedBuffer> buffers_;
  uint32_t next_ = 0x00010000;
};

TAddressTokens& AddressTokens();

// Maps a buffer for the lifetime of the object.
class TScopedAddress {
 public:
  TScopedAddress(void* data, size_t size) : token_(AddressTokens().Map(data, size)) {}
  ~TScopedAddress() { AddressTokens().Unmap(token_); }
  TScopedAddress(const TScopedAddress&) = delete;
  TScopedAddress& operator=(const TScopedAddress&) = delete;
  uint32_t Token() const { return token_; }

 private:
  uint32_t token_;
};

}  // namespace quillot
