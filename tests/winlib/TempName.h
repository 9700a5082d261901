// Unique scratch names under the user's temporary folder, one per call.
#pragma once
#include <windows.h>

#include <string>

#include "winlib/Path.h"

namespace winlib_test {

inline std::string UniqueTempName(const std::string& stem, const std::string& ext = "")
{
    static unsigned counter = 0;
    return winlib::GetTempDir() + "\\winlib-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + ext;
}

// Whole content of a file through stdio, "" when it cannot be read.
inline std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

inline void WriteWholeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot create " + path);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

}  // namespace winlib_test
