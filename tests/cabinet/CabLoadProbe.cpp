// Tries to load the cabinet library twice and prints each result: the OS error
// code of a failure, or "loaded". A failed load must leave the next one free to try again.
#include <cstdio>

#include "cabinet/CabIntf.h"
#include "winlib/OsError.h"

int main()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            CabIntf::LoadCabinetLibrary();
            std::printf("loaded\n");
        } catch (const winlib::EOSError& e) {
            std::printf("%lu\n", static_cast<unsigned long>(e.Code()));
            std::fprintf(stderr, "%s\n", e.what());
        }
    }
    return 0;
}
