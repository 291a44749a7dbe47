#pragma once
#include <cstddef>
#include <cstdint>

namespace vokaran {

// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320). Any change confined to 32
// consecutive bits changes the value, so every single-byte change of a song file is caught.
std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t seed = 0);

} // namespace vokaran
