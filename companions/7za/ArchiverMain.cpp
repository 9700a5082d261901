// The archiver: a console program that packs a folder into a stored zip archive
// and unpacks one. Its command line is the one the authoring program and the
// setups use:
//   7za a <archive> <folder>\*            pack the folder's contents
//   7za x <archive> [-o<folder>] -aoa     unpack, overwriting
// Exit codes: 0 done; 2 error (stderr says which file and why); 7 bad command line.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "companions/7za/Archive.h"
#include "winlib/StringList.h"

namespace {

constexpr int kExitError = 2;
constexpr int kExitUsage = 7;

int Usage()
{
    std::fputs("usage: 7za a <archive> <folder>\\*\n"
               "       7za x <archive> [-o<folder>] -aoa\n",
               stderr);
    return kExitUsage;
}

// x <archive> [-o<folder>] -aoa, in any order after the archive; nothing else.
bool ParseExtract(const std::vector<std::string>& args, std::string& folder)
{
    bool overwrite = false;
    for (size_t i = 3; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-aoa")
            overwrite = true;
        else if (arg.compare(0, 2, "-o") == 0 && arg.size() > 2)
            folder = arg.substr(2);
        else
            return false;
    }
    return overwrite;
}

int Run(const std::vector<std::string>& args)
{
    if (args.size() < 4)  // also "x <archive>" without -aoa
        return Usage();
    const std::string& command = args[1];
    const std::string& archive = args[2];
    if (command == "a") {
        if (args.size() != 4)
            return Usage();
        PackArchive(archive, args[3]);
        return 0;
    }
    if (command == "x") {
        std::string folder;
        if (!ParseExtract(args, folder))
            return Usage();
        ExtractArchive(archive, folder);
        return 0;
    }
    return Usage();
}

}  // namespace

int main()
{
    // Our own split: "-o"C:\Out\"" must keep its trailing backslash, which the C
    // runtime's rules would read as an escaped quote.
    std::vector<std::string> args = winlib::SplitCommandLine(::GetCommandLineA());
    try {
        return Run(args);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "7za: %s\n", error.what());
        return kExitError;
    }
}
