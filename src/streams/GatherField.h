// A unit reads its fixed-size fields (headers, chunk heads) across feeds, however the bytes come chunked.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillot {

// Moves bytes from data into part until it holds want of them, advancing data, size and the stream
// position pos; true when it holds them all.
template <size_t N>
bool GatherField(std::array<uint8_t, N>& part, size_t& partSize, const uint8_t*& data, size_t& size, uint64_t& pos,
                 size_t want) {
  const size_t take = std::min(want - partSize, size);
  std::memcpy(part.data() + partSize, data, take);
  partSize += take;
  data += take;
  size -= take;
  pos += take;
  return partSize == want;
}

}  // namespace quillot
