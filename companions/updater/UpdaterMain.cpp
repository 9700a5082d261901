// Updater.exe [/S | /A]: the updater stand-in. It never connects anywhere.
//
// A setup starts it with "/S" from its temp folder without waiting, so "/S" ends
// at once: a running file would keep that folder. "/A" (or no parameter), the
// "Check for Updates" shortcut, shows one information box naming the product,
// its version and its update address, and says that it could not connect.
//
// The product comes from [General] of Updater.ini beside the program (what a
// setup packs), else of Uninstall.ini beside it (an installed copy), else stays
// empty. The box's texts are the language's, which a setup copies into
// Uninstall.ini's [Updater]; without them, English ones.
#include <windows.h>

#include <exception>
#include <string>

#include "cabinet/UninstallLogFormat.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

constexpr char UpdaterIniName[] = "Updater.ini";
constexpr char DefaultCaption[] = "Check for Updates";
constexpr char NoDownloadText[] =
    "This updater does not check for or download updates. Please visit the update address for a newer version.";

// [Updater] of Uninstall.ini, numbered as every language file numbers them:
// 0 caption, 1 checking, 2 up to date, 3 new version found (download?),
// 4 downloading, 5 download failed, 6 no connection, 7 install now?, 8 done.
constexpr char CaptionKey[] = "0";
constexpr char NoConnectionKey[] = "6";  // the stand-in never connects

struct TProduct {
    std::string AppName;
    std::string AppVersion;
    std::string UpdateURL;
    std::string Caption = DefaultCaption;
    std::string Outcome = NoDownloadText;
};

std::string OwnFolder()
{
    std::string self = winlib::AskSizedText([](char* buffer, unsigned long size) {
        unsigned long length = ::GetModuleFileNameA(nullptr, buffer, size);
        return length >= size ? size + MAX_PATH : length;  // a cut name fills the buffer exactly
    });
    return winlib::ExtractFilePath(self);
}

bool OnlySilentSwitch()
{
    std::vector<std::string> params = winlib::SplitCommandLine(::GetCommandLineA());
    for (size_t i = 1; i < params.size(); ++i)
        if (lstrcmpiA(params[i].c_str(), "/S") == 0)
            return true;
    return false;
}

// Updater.ini is a plain INI file written by the package builder.
void ReadUpdaterIni(const std::string& path, TProduct& product)
{
    winlib::TIniFile ini(path);
    product.AppName = ini.ReadString(uninstlog::SecGeneral, uninstlog::KeyAppName, "");
    product.AppVersion = ini.ReadString(uninstlog::SecGeneral, uninstlog::KeyAppVersion, "");
    product.UpdateURL = ini.ReadString(uninstlog::SecGeneral, uninstlog::KeyUpdateURL, "");
}

TProduct ReadProduct(const std::string& folder)
{
    TProduct product;
    const std::string updaterIni = folder + UpdaterIniName;
    const std::string log = folder + uninstlog::LogName;
    const bool haveUpdaterIni = winlib::FileExists(updaterIni);
    if (haveUpdaterIni)
        ReadUpdaterIni(updaterIni, product);
    if (!winlib::FileExists(log))
        return product;
    uninstlog::TUninstallLogReader reader = uninstlog::TUninstallLogReader::FromFile(log);
    if (!haveUpdaterIni) {
        product.AppName = reader.Value(uninstlog::SecGeneral, uninstlog::KeyAppName, "");
        product.AppVersion = reader.Value(uninstlog::SecGeneral, uninstlog::KeyAppVersion, "");
        product.UpdateURL = reader.Value(uninstlog::SecGeneral, uninstlog::KeyUpdateURL, "");
    }
    // A setup writes an empty text where its language has none: the English one stays.
    std::string caption = reader.Value(uninstlog::SecUpdater, CaptionKey, "");
    if (!caption.empty())
        product.Caption = caption;
    std::string outcome = reader.Value(uninstlog::SecUpdater, NoConnectionKey, "");
    if (!outcome.empty())
        product.Outcome = outcome;
    return product;
}

std::string InformationText(const TProduct& product)
{
    return "Product: " + product.AppName + "\r\nVersion: " + product.AppVersion +
           "\r\nUpdate address: " + product.UpdateURL + "\r\n\r\n" + product.Outcome;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (OnlySilentSwitch())
        return 0;
    try {
        TProduct product = ReadProduct(OwnFolder());
        winlib::ShowMessageBox(nullptr, InformationText(product), product.Caption, MB_OK | MB_ICONINFORMATION);
        return 0;
    } catch (const std::exception& e) {
        // An unreadable Uninstall.ini: say so instead of showing an empty product.
        winlib::ShowMessageBox(nullptr, e.what(), DefaultCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
}
