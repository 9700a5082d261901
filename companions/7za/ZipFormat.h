// The zip records the archiver writes and reads: stored entries only, no
// encryption, no zip64. All numbers are little-endian.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zipformat {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kLocalSize = 30;
constexpr size_t kCentralSize = 46;
constexpr size_t kEndSize = 22;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint32_t kDosDirectory = 0x10;
constexpr uint64_t kLimit = 0xFFFFFFFFull;  // sizes and offsets must stay below this
constexpr size_t kMaxEntries = 0xFFFF;

struct TEntry {
    std::string Name;  // "/" separated; folders end in "/"
    uint16_t Flags = 0;
    uint16_t Method = kMethodStored;
    uint16_t Time = 0, Date = 0;  // DOS
    uint32_t Crc = 0;
    uint32_t CompressedSize = 0, Size = 0;
    uint32_t Attributes = 0;  // DOS attributes in the low byte
    uint32_t LocalOffset = 0;
    bool IsFolder() const { return !Name.empty() && Name.back() == '/'; }
};

uint32_t Crc32(uint32_t crc, const void* data, size_t size);

void Put16(std::vector<uint8_t>& out, uint16_t value);
void Put32(std::vector<uint8_t>& out, uint32_t value);
uint16_t Get16(const uint8_t* p);
uint32_t Get32(const uint8_t* p);

std::vector<uint8_t> LocalHeader(const TEntry& entry);
std::vector<uint8_t> CentralHeader(const TEntry& entry);
std::vector<uint8_t> EndRecord(size_t entries, uint32_t centralSize, uint32_t centralOffset);

}  // namespace zipformat
