// A scratch folder in the user's temp folder, removed with everything in it.
#pragma once
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "winlib/Path.h"

class TTestFolder {
public:
    TTestFolder()
    {
        char name[MAX_PATH];
        if (!GetTempFileNameA(winlib::GetTempDir().c_str(), "kft", 0, name) || !DeleteFileA(name) ||
            !CreateDirectoryA(name, nullptr))
            throw std::runtime_error("cannot make a test folder");
        path_ = name;
    }
    ~TTestFolder() { Remove(path_); }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

    // Writes a file of the given bytes; returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::string file = *this / name;
        FILE* f = std::fopen(file.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot write " + file);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return file;
    }

    static std::string Read(const std::string& file)
    {
        std::string bytes;
        FILE* f = std::fopen(file.c_str(), "rb");
        if (!f) return bytes;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
        return bytes;
    }

    // Names in the folder (files and folders), without "." and "..".
    std::vector<std::string> List() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..") names.push_back(name);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

private:
    static void Remove(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                std::string path = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(path);
                } else {
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                }
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string path_;
};
