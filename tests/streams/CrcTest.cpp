#include <gtest/gtest.h>

#include <cstring>

#include "streams/Crc.h"
#include "support/StreamFeed.h"

namespace quillot {

// The published check values of "123456789", and the eight-at-a-time paths against the byte-at-a-time one
// over every length and alignment up to 40 bytes.
TEST(Crc, ChecksAndSlicingAgreeWithOneByteAtATime) {
  const auto* check = reinterpret_cast<const uint8_t*>("123456789");
  EXPECT_EQ(Crc8(0, check, 9), 0xF4);
  EXPECT_EQ(Crc16(0, check, 9), 0xFEE8);
  EXPECT_EQ(Crc32(0xFFFFFFFF, check, 9), 0x0376E6E7u);  // CRC-32/MPEG-2
  EXPECT_EQ(Crc32Reflected(0, check, 9), 0xCBF43926u);
  EXPECT_EQ(Crc32Reflected(Crc32Reflected(0, check, 4), check + 4, 5), 0xCBF43926u);
  const test::TBytes bytes = test::RandomBytes(48, 5);
  for (size_t from = 0; from < 8; ++from)
    for (size_t n = 0; n + from <= 40; ++n) {
      SCOPED_TRACE(testing::Message() << from << "+" << n);
      const uint8_t* p = bytes.data() + from;
      uint8_t c8 = 0x5A;
      uint16_t c16 = 0x1234;
      uint32_t c32 = 0x89ABCDEF;
      for (size_t i = 0; i < n; ++i) {
        c8 = Crc8Byte(c8, p[i]);
        c16 = Crc16Byte(c16, p[i]);
        c32 = Crc32Byte(c32, p[i]);
      }
      EXPECT_EQ(Crc8(0x5A, p, n), c8);
      EXPECT_EQ(Crc16(0x1234, p, n), c16);
      EXPECT_EQ(Crc32(0x89ABCDEF, p, n), c32);
    }
  // Long runs fold sixteen bytes at a time where the processor can: the same values at every length
  // around the block sizes, and over a page's worth.
  const test::TBytes longer = test::RandomBytes(5000, 8);
  for (size_t n : {63, 64, 65, 79, 80, 81, 127, 128, 129, 1000, 4999}) {
    SCOPED_TRACE(n);
    uint16_t c16 = 0xBEEF;
    uint32_t c32 = 0x12345678;
    for (size_t i = 0; i < n; ++i) {
      c16 = Crc16Byte(c16, longer[i + 1]);
      c32 = Crc32Byte(c32, longer[i + 1]);
    }
    EXPECT_EQ(Crc16(0xBEEF, longer.data() + 1, n), c16);
    EXPECT_EQ(Crc32(0x12345678, longer.data() + 1, n), c32);
  }
}

}  // namespace quillot
