#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of IEEE 802.3 (reflected polynomial EDB88320, initial value and
// final XOR all ones): the check value of "123456789" is CBF43926. `crc` is
// the running value of the bytes before, 0 for the first block, so a series
// of calls over consecutive blocks gives the CRC-32 of all of them.
[[nodiscard]] uint32_t updateCrc32(uint32_t crc, const void* data, std::size_t count);
