#include "streams/Crc.h"

#include <array>

#include "streams/Bytes.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUILLOT_CLMUL 1
#endif

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
// CRC-16 0x8005 computed as a CRC-32 of the polynomial times x^16: its high half is the CRC-16.
constexpr uint32_t kCrc16As32 = 0x80050000;
constexpr TMsbTables<uint32_t, 32> kCrc16Wide(kCrc16As32);
constexpr TReflectedTables kCrc32R;

uint32_t TableCrc32(const TMsbTables<uint32_t, 32>& tables, uint32_t crc, const uint8_t* p, size_t n) {
  const auto& t = tables.T_;
  for (; n >= 8; p += 8, n -= 8) {
    uint32_t c = crc ^ Be32(p);
    crc = t[7][c >> 24] ^ t[6][(c >> 16) & 0xFF] ^ t[5][(c >> 8) & 0xFF] ^ t[4][c & 0xFF] ^ t[3][p[4]] ^ t[2][p[5]] ^
          t[1][p[6]] ^ t[0][p[7]];
  }
  for (; n > 0; --n) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
  return crc;
}

// x^n mod the degree-32 polynomial x^32 + poly.
constexpr uint32_t XPowMod(unsigned n, uint32_t poly) {
  uint64_t r = 1;
  for (unsigned i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (uint64_t(1) << 32)) r ^= (uint64_t(1) << 32) | poly;
  }
  return uint32_t(r);
}

// A polynomial's tables and the two constants that fold 16 bytes.
struct TFoldPoly {
  const TMsbTables<uint32_t, 32>& Tables;
  uint32_t K192, K128;
};
constexpr TFoldPoly kFoldCrc32{kCrc32, XPowMod(192, 0x04C11DB7), XPowMod(128, 0x04C11DB7)};
constexpr TFoldPoly kFoldCrc16{kCrc16Wide, XPowMod(192, kCrc16As32), XPowMod(128, kCrc16As32)};

#ifdef QUILLOT_CLMUL

// Folds 16 bytes at a time with carry-less multiplies: the accumulator A (bit i the coefficient of x^i,
// the first byte's top bit highest) stays congruent to the message so far; A * x^128 = hi * x^192 + lo *
// x^128 is replaced by hi * (x^192 mod P) + lo * (x^128 mod P). The CRC of the message is then the CRC of A
// itself as 16 bytes, which the tables finish. The caller's CRC goes into the first block's top 32 bits.
__attribute__((target("pclmul,ssse3"))) uint32_t FoldCrc32(const TFoldPoly& f, uint32_t crc, const uint8_t* p,
                                                           size_t n) {
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i k = _mm_set_epi64x(f.K192, f.K128);
  __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
  a = _mm_xor_si128(a, _mm_set_epi32(int(crc), 0, 0, 0));
  size_t done = 16;
  for (; done + 16 <= n; done += 16) {
    const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + done)), reverse);
    a = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x11), _mm_clmulepi64_si128(a, k, 0x00)), b);
  }
  alignas(16) uint8_t folded[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(folded), _mm_shuffle_epi8(a, reverse));
  return TableCrc32(f.Tables, TableCrc32(f.Tables, 0, folded, 16), p + done, n - done);
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
  return can;
}
#endif

// Long runs fold; short ones and other machines take the tables.
uint32_t AnyCrc32(const TFoldPoly& f, uint32_t crc, const uint8_t* p, size_t n) {
#ifdef QUILLOT_CLMUL
  if (n >= 64 && CanFold()) return FoldCrc32(f, crc, p, n);
#endif
  return TableCrc32(f.Tables, crc, p, n);
}

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
  if (n >= 64) return uint16_t(AnyCrc32(kFoldCrc16, uint32_t(crc) << 16, p, n) >> 16);
  const auto& t = kCrc16.T_;
  for (; n >= 8; p += 8, n -= 8) {
    uint16_t c = crc ^ uint16_t(p[0] << 8 | p[1]);
    crc = t[7][c >> 8] ^ t[6][c & 0xFF] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (; n > 0; --n) crc = Crc16Byte(crc, *p++);
  return crc;
}

uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n) { return AnyCrc32(kFoldCrc32, crc, p, n); }

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
