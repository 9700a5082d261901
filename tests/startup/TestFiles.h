// Scratch files and folders for the start-up tests, under the user's temp folder.
#pragma once
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "winlib/Path.h"

namespace startup_test {

inline std::string ScratchName(const std::string& stem)
{
    static unsigned counter = 0;
    return winlib::GetTempDir() + "\\sutest-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}


inline std::string Trailer(const std::string& digits) { return "ZYX" + digits; }

inline std::string Digits10(long long n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%010lld", n);
    return text;
}

}  // namespace startup_test
