// The checksums the audio streams carry, each over runs of bytes eight at a time (slicing tables), since
// a unit whose format has a checksum looks at every byte of the file.
//  - Crc8: poly 0x07, MSB first, init 0 (FLAC frame headers).
//  - Crc16: poly 0x8005, MSB first, init 0 as the caller passes (FLAC frames, MPEG audio, AC-3).
//  - Crc32: poly 0x04C11DB7, MSB first, no reflection or final xor as the caller passes (Ogg pages); the
//    CPU's crc32 instruction computes another polynomial.
//  - Crc32Reflected: the zlib CRC-32 (reflected 0xEDB88320, inverted before and after): crc = 0 to start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillot {

uint8_t Crc8(uint8_t crc, const uint8_t* data, size_t size);
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size);
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);
uint32_t Crc32Reflected(uint32_t crc, const uint8_t* data, size_t size);

// One byte at a time, for units that look at each byte anyway.
uint8_t Crc8Byte(uint8_t crc, uint8_t b);
uint16_t Crc16Byte(uint16_t crc, uint8_t b);
uint32_t Crc32Byte(uint32_t crc, uint8_t b);

}  // namespace quillot
