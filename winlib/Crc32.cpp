#include "winlib/Crc32.h"

#include <windows.h>

#include <array>
#include <vector>

namespace winlib {

namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> Table = MakeTable();

}  // namespace

uint32_t Crc32(uint32_t crc, const void* data, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = Table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool FileCrc32(const std::string& path, uint32_t& crc)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> block(256 * 1024);
    uint32_t sum = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
            DWORD error = GetLastError();
            CloseHandle(file);
            SetLastError(error);
            return false;
        }
        if (got == 0)
            break;
        sum = Crc32(sum, block.data(), got);
    }
    CloseHandle(file);
    crc = sum;
    return true;
}

}  // namespace winlib
