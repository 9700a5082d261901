// Helpers shared by the cabinet tests: scratch folders, file contents, times.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cabinet/CabSTConsts.h"

// A fresh folder under the temp folder, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// stem followed by the decimal number, e.g. Indexed("f", 2) = "f2".
std::string Indexed(const char* stem, int number);
std::string RandomBytes(size_t count, unsigned seed);
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);  // "" for a missing file
bool Exists(const std::string& path);

// Last-write time of a file as local SYSTEMTIME, and setting it from one.
SYSTEMTIME LocalLastWrite(const std::string& path);
SYSTEMTIME LocalCreation(const std::string& path);
void SetLocalLastWrite(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second);

// stc*.tmp files FCI left in the temp folder.
int CountCabinetTempFiles();

// A cabinet made by our writer (MSZIP): pairs of source path and stored name.
void MakeCabinet(const std::string& cabinet, const std::vector<std::pair<std::string, std::string>>& files,
                 unsigned fileCountThreshold = 0, unsigned sizeThreshold = 0);

// Runs the steps and returns the ESTCabinet they raise; fails the test when none is raised.
template <typename Steps>
ESTCabinet RaisedBy(Steps steps)
{
    try {
        steps();
    } catch (const ESTCabinet& e) {
        return e;
    }
    ADD_FAILURE() << "no ESTCabinet was raised";
    return ESTCabinet(NoErrorRecord(), false);
}
