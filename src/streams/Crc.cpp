#include "streams/Crc.h"

#include <array>

namespace quillot {

namespace {

// Table k answers for a byte followed by k zero bytes, so eight bytes fold in one step.
template <typename T, unsigned Bits>
struct TMsbTables {
  std::array<std::array<T, 256>, 8> T_{};
  constexpr explicit TMsbTables(T poly) {
    for (unsigned i = 0; i < 256; ++i) {
      T c = T(T(i) << (Bits - 8));
      for (int k = 0; k < 8; ++k) c = T((c & (T(1) << (Bits - 1))) ? T(c << 1) ^ poly : T(c << 1));
      T_[0][i] = c;
    }
    for (unsigned k = 1; k < 8; ++k)
      for (unsigned i = 0; i < 256; ++i) {
        T prev = T_[k - 1][i];
        T_[k][i] = Bits == 8 ? T_[0][uint8_t(prev)] : T(T(prev << 8) ^ T_[0][uint8_t(prev >> (Bits - 8))]);
      }
  }
};

struct TReflectedTables {
  std::array<std::array<uint32_t, 256>, 8> T_{};
  constexpr TReflectedTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      T_[0][i] = c;
    }
    for (unsigned k = 1; k < 8; ++k)
      for (unsigned i = 0; i < 256; ++i) T_[k][i] = (T_[k - 1][i] >> 8) ^ T_[0][T_[k - 1][i] & 0xFF];
  }
};

constexpr TMsbTables<uint8_t, 8> kCrc8(0x07);
constexpr TMsbTables<uint16_t, 16> kCrc16(0x8005);
constexpr TMsbTables<uint32_t, 32> kCrc32(0x04C11DB7);
constexpr TReflectedTables kCrc32R;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

uint8_t Crc8Byte(uint8_t crc, uint8_t b) { return kCrc8.T_[0][crc ^ b]; }
uint16_t Crc16Byte(uint16_t crc, uint8_t b) { return uint16_t(crc << 8) ^ kCrc16.T_[0][(crc >> 8) ^ b]; }
uint32_t Crc32Byte(uint32_t crc, uint8_t b) { return (crc << 8) ^ kCrc32.T_[0][(crc >> 24) ^ b]; }

uint8_t Crc8(uint8_t crc, const uint8_t* p, size_t n) {
  const auto& t = kCrc8.T_;
  for (; n >= 8; p += 8, n -= 8)
    crc = t[7][crc ^ p[0]] ^ t[6][p[1]] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  for (; n > 0; --n) crc = Crc8Byte(crc, *p++);
  return crc;
}

uint16_t Crc16(uint16_t crc, const uint8_t* p, size_t n) {
  const auto& t = kCrc16.T_;
  for (; n >= 8; p += 8, n -= 8) {
    uint16_t c = crc ^ uint16_t(p[0] << 8 | p[1]);
    crc = t[7][c >> 8] ^ t[6][c & 0xFF] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (; n > 0; --n) crc = Crc16Byte(crc, *p++);
  return crc;
}

uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n) {
  const auto& t = kCrc32.T_;
  for (; n >= 8; p += 8, n -= 8) {
    uint32_t c = crc ^ Be32(p);
    crc = t[7][c >> 24] ^ t[6][(c >> 16) & 0xFF] ^ t[5][(c >> 8) & 0xFF] ^ t[4][c & 0xFF] ^ t[3][p[4]] ^ t[2][p[5]] ^
          t[1][p[6]] ^ t[0][p[7]];
  }
  for (; n > 0; --n) crc = Crc32Byte(crc, *p++);
  return crc;
}

uint32_t Crc32Reflected(uint32_t crc, const uint8_t* p, size_t n) {
  const auto& t = kCrc32R.T_;
  crc = ~crc;
  for (; n >= 8; p += 8, n -= 8) {
    uint32_t c = crc ^ Le32(p);
    crc = t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^ t[3][p[4]] ^ t[2][p[5]] ^
          t[1][p[6]] ^ t[0][p[7]];
  }
  for (; n > 0; --n) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return ~crc;
}

}  // namespace quillot
