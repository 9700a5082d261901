// The downloader stand-in: Downloader.exe [/S] <url> /D <target>.
//
// An author adds it as a file plus a waited After Installation command, so it
// has no user interface; the exit code tells the setup what happened:
//   0 done; 1 bad command line; 2 unreachable, timed out, a status other than
//   200, or a truncated body; 3 target not writable.
// The body goes to a temporary file beside the target, which is renamed over the
// target only when the whole body has arrived: a failed download leaves the
// target as it was and no temporary file behind.
#pragma once
#include <stdexcept>
#include <string>

namespace downloader {

enum TExitCode : int { ExitDone = 0, ExitBadCommandLine = 1, ExitTransferFailed = 2, ExitTargetNotWritable = 3 };

// A failure with the exit code it ends the program with; what() names what failed.
class EDownloadError : public std::runtime_error {
public:
    EDownloadError(TExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    TExitCode Code() const { return code_; }

private:
    TExitCode code_;
};

struct TUrl {
    bool Secure = false;     // https
    std::string Host;
    unsigned short Port = 0;
    std::string Object;      // path and query as sent in the request, without the fragment
    std::string LastSegment; // the path's last segment, without query or fragment
};

// http:// or https:// addresses only; anything else throws ExitBadCommandLine.
TUrl ParseUrl(const std::string& url);

// The file to write. A folder target (an existing folder, or one ending in "\" or
// "/") gets the URL's last segment as its name; a name that is empty, "." or "..",
// or holds \ / : * ? " < > | or a control character, throws ExitBadCommandLine.
std::string ResolveTarget(const std::string& target, const TUrl& url);

// GETs the URL into targetFile (made absolute by the caller). Missing folders of
// the target are created only once the server answered 200, and removed again
// when the download fails. Throws EDownloadError.
void Download(const TUrl& url, const std::string& targetFile);

}  // namespace downloader
