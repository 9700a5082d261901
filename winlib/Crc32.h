// CRC-32 (the polynomial of zip and PNG, reflected, 0xEDB88320): the builder records
// it for each installed file and the setup checks the unpacked copy against it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace winlib {

// Continues crc (0 to start) over size bytes: Crc32(Crc32(0, a), b) == Crc32(0, a + b).
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

// The CRC-32 of a whole file, read once. False with the OS error in GetLastError
// when the file cannot be opened or read.
bool FileCrc32(const std::string& path, uint32_t& crc);

}  // namespace winlib
