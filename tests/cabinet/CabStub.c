/* Stands in for cabinet.dll with every entry point but FDIDestroy, so that
   binding fails on the last one, after the first eight were found. */
__declspec(dllexport) int FCICreate(void) { return 0; }
__declspec(dllexport) int FCIAddFile(void) { return 0; }
__declspec(dllexport) int FCIFlushCabinet(void) { return 0; }
__declspec(dllexport) int FCIFlushFolder(void) { return 0; }
__declspec(dllexport) int FCIDestroy(void) { return 0; }
__declspec(dllexport) int FDICreate(void) { return 0; }
__declspec(dllexport) int FDIIsCabinet(void) { return 0; }
__declspec(dllexport) int FDICopy(void) { return 0; }
