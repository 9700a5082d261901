// Downloader.exe [/S] <url> /D <target>: see Downloader.h.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "companions/downloader/Downloader.h"
#include "winlib/StringList.h"

namespace {

using downloader::EDownloadError;
using downloader::ExitBadCommandLine;

struct TCommandLine {
    std::string Url;
    std::string Target;
};

// Parameters are split as the setup splits its own (quotes group, backslashes
// are plain characters), so a target such as "C:\Program Files\App\" arrives as typed.
TCommandLine ReadCommandLine()
{
    std::vector<std::string> params = winlib::SplitCommandLine(::GetCommandLineA());
    TCommandLine line;
    bool haveTarget = false;
    for (size_t i = 1; i < params.size(); ++i) {
        const std::string& p = params[i];
        if (lstrcmpiA(p.c_str(), "/S") == 0)
            continue;  // there is no user interface to silence
        if (lstrcmpiA(p.c_str(), "/D") == 0) {
            if (i + 1 >= params.size() || haveTarget)
                throw EDownloadError(ExitBadCommandLine, "\"/D\" must be followed by one target path");
            line.Target = params[++i];
            haveTarget = true;
        } else if (line.Url.empty() && !p.empty()) {
            line.Url = p;
        } else {
            throw EDownloadError(ExitBadCommandLine, "unexpected parameter \"" + p + "\"");
        }
    }
    if (line.Url.empty())
        throw EDownloadError(ExitBadCommandLine, "no address given");
    if (!haveTarget || line.Target.empty())
        throw EDownloadError(ExitBadCommandLine, "no target given (\"/D <target>\")");
    return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        TCommandLine line = ReadCommandLine();
        downloader::TUrl url = downloader::ParseUrl(line.Url);
        downloader::Download(url, downloader::ResolveTarget(line.Target, url));
        return downloader::ExitDone;
    } catch (const EDownloadError& e) {
        // No window to show it in: stderr reaches a console or a test's log where there is one.
        std::fprintf(stderr, "Downloader: %s\n", e.what());
        return e.Code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Downloader: %s\n", e.what());
        return downloader::ExitTransferFailed;
    }
}
