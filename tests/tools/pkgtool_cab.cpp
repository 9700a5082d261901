// pkgtool cab OUT [--max-size N] [--max-files N] [--compress none|mszip|lzx] SRC[=NAME]...
// pkgtool extract CAB DEST [--first-only]
//
// "cab" packs with our writer (MSZIP unless told otherwise); NAME defaults to the
// file-name part of SRC and is stored as given, so tests can make hostile names.
// On failure every cabinet this run started is deleted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cabinet/CabReader.h"
#include "cabinet/CabWriter.h"
#include "tests/tools/pkgtool.h"
#include "winlib/Path.h"

namespace {

struct CabArgs {
    std::string out;
    unsigned long maxSize = 0;
    unsigned long maxFiles = 0;
    TSTCabCompressionType compression = cctMsZip;
    std::vector<std::pair<std::string, std::string>> files;  // source, name in cabinet
};

bool ParseNumber(const char* text, unsigned long& value)
{
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

bool ParseCompression(const std::string& text, TSTCabCompressionType& type)
{
    if (text == "none") type = cctNone;
    else if (text == "mszip") type = cctMsZip;
    else if (text == "lzx") type = cctLzx;
    else return false;
    return true;
}

bool ParseCabArgs(int argc, char** argv, CabArgs& args)
{
    if (argc < 1) return false;
    args.out = argv[0];
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--max-size" && hasValue) {
            if (!ParseNumber(argv[++i], args.maxSize)) return false;
        } else if (arg == "--max-files" && hasValue) {
            if (!ParseNumber(argv[++i], args.maxFiles)) return false;
        } else if (arg == "--compress" && hasValue) {
            if (!ParseCompression(argv[++i], args.compression)) return false;
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            size_t equals = arg.find('=');
            std::string source = arg.substr(0, equals);
            std::string name = equals == std::string::npos ? winlib::ExtractFileName(source) : arg.substr(equals + 1);
            args.files.emplace_back(source, name);
        }
    }
    return !args.files.empty();
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: pkgtool cab OUT [--max-size N] [--max-files N] [--compress none|mszip|lzx] SRC[=NAME]...\n"
                 "       pkgtool extract CAB DEST [--first-only]\n");
    return 2;
}

}  // namespace

int CmdCab(int argc, char** argv)
{
    CabArgs args;
    if (!ParseCabArgs(argc, argv, args)) return Usage();

    std::vector<std::string> written{winlib::ExpandFileName(args.out)};
    try {
        TSTCabWriter writer;
        writer.SetCompressionType(args.compression);
        writer.CabinetSizeThreshold = args.maxSize;
        writer.CabinetFileCountThreshold = args.maxFiles;
        writer.OnGetNextCabinet = [&written](TSTCabWriter&, const CCAB& cab, unsigned long, bool&) {
            written.push_back(std::string(cab.szCabPath) + cab.szCab);
        };
        writer.Open(args.out);
        for (const auto& [source, name] : args.files) writer.AddFile(source, name, false);
        writer.Close(true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pkgtool cab: %s\n", e.what());
        for (const std::string& path : written) DeleteFileA(path.c_str());  // absent ones fail harmlessly
        return 1;
    }
    return 0;
}

int CmdExtract(int argc, char** argv)
{
    if (argc < 2 || argc > 3) return Usage();
    unsigned flags = 0;
    if (argc == 3) {
        if (std::strcmp(argv[2], "--first-only") != 0) return Usage();
        flags = 1;
    }
    try {
        TSTCabReader reader;
        reader.ExtractFiles(argv[0], argv[1], flags);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pkgtool extract: %s\n", e.what());
        return 1;
    }
    return 0;
}
