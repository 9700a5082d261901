// pkgtool: a console test utility that packs cabinets and setup packages with the
// project's own writer, and unpacks cabinets with its own reader.
//   pkgtool package --engine E --script S --out O [--file SRC TARGET [MODE UNINSTALL]]...
//                   [--empty-slot]... [--uninstaller U] [--member SRC [NAME]]...
//   pkgtool cab OUT [--max-size N] [--max-files N] [--compress none|mszip|lzx] SRC[=NAME]...
//   pkgtool extract CAB DEST [--first-only]
#include <cstdio>
#include <cstring>

#include "tests/tools/pkgtool.h"

int main(int argc, char** argv)
{
    if (argc >= 2) {
        if (std::strcmp(argv[1], "package") == 0) return CmdPackage(argc - 2, argv + 2);
        if (std::strcmp(argv[1], "cab") == 0) return CmdCab(argc - 2, argv + 2);
        if (std::strcmp(argv[1], "extract") == 0) return CmdExtract(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "usage: pkgtool package|cab|extract ...\n");
    return 2;
}
