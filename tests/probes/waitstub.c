/* Waits until the named event (argument 1) is set, at most 60 s; 0 when it was. */
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (!stop)
        return 3;
    return WaitForSingleObject(stop, 60000) == WAIT_OBJECT_0 ? 0 : 1;
}
