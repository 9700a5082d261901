#include "tests/layout/GalleryShot.h"

#include <windows.h>

#include "winlib/Application.h"

namespace layout {

TShot RequestShot(const std::string& stem, unsigned long long waitMs)
{
    HANDLE flag = CreateFileA((stem + ".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (flag == INVALID_HANDLE_VALUE)
        return TShot::NotAsked;
    CloseHandle(flag);
    // A bounded poll: the script renames a finished picture into place.
    const std::string picture = stem + ".png";
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    while (GetFileAttributesA(picture.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= deadline)
            return TShot::NotAnswered;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        winlib::ProcessMessages();
    }
    return TShot::Taken;
}

}  // namespace layout
