#include "companions/7za/ZipFormat.h"

namespace zipformat {

uint32_t Crc32(uint32_t crc, const void* data, size_t size)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    const uint8_t* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }

namespace {

// The fields local and central headers share, from "version needed" to the name length.
void PutCommon(std::vector<uint8_t>& out, const TEntry& entry)
{
    Put16(out, entry.IsFolder() ? 20 : 10);  // version needed: 2.0 for folders, 1.0 for stored files
    Put16(out, entry.Flags);
    Put16(out, entry.Method);
    Put16(out, entry.Time);
    Put16(out, entry.Date);
    Put32(out, entry.Crc);
    Put32(out, entry.CompressedSize);
    Put32(out, entry.Size);
    Put16(out, static_cast<uint16_t>(entry.Name.size()));
}

}  // namespace

std::vector<uint8_t> LocalHeader(const TEntry& entry)
{
    std::vector<uint8_t> out;
    Put32(out, kLocalSignature);
    PutCommon(out, entry);
    Put16(out, 0);  // extra field
    out.insert(out.end(), entry.Name.begin(), entry.Name.end());
    return out;
}

std::vector<uint8_t> CentralHeader(const TEntry& entry)
{
    std::vector<uint8_t> out;
    Put32(out, kCentralSignature);
    Put16(out, 20);  // made by: DOS attributes, zip 2.0
    PutCommon(out, entry);
    Put16(out, 0);  // extra field
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, entry.Attributes);
    Put32(out, entry.LocalOffset);
    out.insert(out.end(), entry.Name.begin(), entry.Name.end());
    return out;
}

std::vector<uint8_t> EndRecord(size_t entries, uint32_t centralSize, uint32_t centralOffset)
{
    std::vector<uint8_t> out;
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint16_t>(entries));
    Put16(out, static_cast<uint16_t>(entries));
    Put32(out, centralSize);
    Put32(out, centralOffset);
    Put16(out, 0);  // comment
    return out;
}

}  // namespace zipformat
