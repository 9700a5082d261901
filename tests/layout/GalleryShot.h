// The program's half of tests/e2e/gallery.sh, shared by the authoring tour and the
// wizard gallery: an empty STEM.ready asks for a screenshot of the screen as it
// stands, which the script writes as STEM.png.
#pragma once
#include <string>

namespace layout {

enum class TShot { Taken, NotAsked, NotAnswered };

// Asks for the shot and waits up to waitMs for it, handling messages meanwhile
// (inside a message box's modal loop too). NotAsked: the .ready file could not be
// written (GetLastError tells why); NotAnswered: no .png in time.
TShot RequestShot(const std::string& stem, unsigned long long waitMs = 20000);

}  // namespace layout
