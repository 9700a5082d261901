// A setup run in-process up to its wizard: a package laid out like a built one
// (the script, the shipped language files, the pictures, optional licence,
// readme and font files) goes through the production start-up; the install run,
// free space, restart, language probe and process end are replaced. Free of any
// test framework: the gtest fixture (WizardFixture.h) and the screenshot gallery
// both drive the wizard through it.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cabinet/CabWriter.h"
#include "runtime/Form1.h"
#include "runtime/Language.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "tests/startup/TestFiles.h"
#include "winlib/Application.h"
#include "winlib/Path.h"

namespace wizard_test {

using namespace startup_test;

struct TSetupEnded {
    int Code;
};

// What the replaced steps saw and do.
struct TFakes {
    int InstallRuns = 0;
    bool InstallErrors = false;
    void (*DuringInstall)(TForm1& form) = nullptr;
    long long FreeSpace = 50LL << 30;
    char FreeSpaceDrive = 0;
    int Reboots = 0;
    int Ends = 0;
    unsigned LanguageId = 1033;
};
inline TFakes fakes;

inline void ThrowEnded(int code) { throw TSetupEnded{code}; }

class TWizardSession {
public:
    // The wizard pictures packed as qzwizard.bmp and qzheader.bmp (files).
    std::string WizardPicture = std::string(WIZARD_FIXTURES) + "\\qzwizard.bmp";
    std::string HeaderPicture = std::string(WIZARD_FIXTURES) + "\\qzheader.bmp";
    // The [Setup] AppName and AppVersion every package's script starts with.
    std::string AppName = "App", AppVersion = "1.0";
    // Files the package installs, each in a cabinet of its own: target (with
    // placeholders) and bytes. With none, the package installs nothing.
    std::vector<std::pair<std::string, std::string>> Files;

protected:
    // Fresh state and fakes, the replaced steps in place, the hidden window made.
    // False when the system refuses the window (GetLastError tells why).
    bool BeginSession()
    {
        ::Setup() = TSetupState();
        fakes = TFakes();
        SetProcessExit(ThrowEnded);
        SetSystemLanguageIdProbe([] { return fakes.LanguageId; });
        TWizardSeams& seams = WizardSeams();
        seams.InstallRun = [](TForm1& form) {
            ++fakes.InstallRuns;
            ::Setup().InstallErrors = fakes.InstallErrors;
            if (fakes.DuringInstall)
                fakes.DuringInstall(form);
        };
        seams.DriveFreeSpace = [](char letter) {
            fakes.FreeSpaceDrive = letter;
            return fakes.FreeSpace;
        };
        seams.Reboot = [] { ++fakes.Reboots; };
        seams.EndProcess = [](TForm1&) { ++fakes.Ends; };
        return form_.Create(GetModuleHandleA(nullptr));
    }

    // The setup's temp folder and the packages go; the real steps come back.
    void EndSession()
    {
        CleanupTemp();
        SetProcessExit(nullptr);
        SetSystemLanguageIdProbe(nullptr);
        WizardSeams() = TWizardSeams();
        for (const std::string& f : files_)
            DeleteFileA(f.c_str());
        files_.clear();
    }

    // The package: script text ([Setup] AppName etc. added), language files by
    // name ("English" is the shipped English.lng), extra members (name -> bytes).
    std::string MakePackage(const std::string& script, const std::vector<std::string>& languages,
                            const std::map<std::string, std::string>& extra)
    {
        std::string cabinet = ScratchName("wizcab") + ".cab";
        std::vector<std::string> sources;
        auto add = [&](const std::string&, const std::string& bytes) {
            std::string path = ScratchName("wizsrc");
            WriteWholeFile(path, bytes);
            sources.push_back(path);
            return path;
        };
        // The files' cabinets lie between the engine and the setup cabinet.
        std::string fileCabinets, filesSection;
        for (size_t i = 0; i < Files.size(); ++i) {
            const std::string name = winlib::ExtractFileName(Files[i].first);
            TSTCabWriter writer;
            writer.Open(cabinet);
            writer.AddFile(add(name, Files[i].second), name, false);
            writer.Close(true);
            std::string one = ReadWholeFile(cabinet);
            fileCabinets += one;
            filesSection += std::to_string(i) + "=" + Files[i].first + "?" + std::to_string(one.size()) + "?Overwrite?Yes\r\n";
        }
        std::string filesCount = "FilesCount=" + std::to_string(Files.size()) + "\r\n";
        if (!Files.empty())
            filesSection = "\r\n[Files]\r\n" + filesSection;
        {
            TSTCabWriter writer;
            writer.Open(cabinet);
            writer.AddFile(add("qzsetup.ini", "[Setup]\r\nAppName=" + AppName + "\r\nAppVersion=" + AppVersion +
                                                  "\r\nEngineSize=400000\r\n" + filesCount + script + filesSection),
                           "qzsetup.ini", false);
            for (const std::string& language : languages)
                writer.AddFile(std::string(LANGUAGES_DIR) + "\\" + language + ".lng", language + "qz.lng", false);
            writer.AddFile(WizardPicture, "qzwizard.bmp", false);
            writer.AddFile(HeaderPicture, "qzheader.bmp", false);
            for (const auto& [name, bytes] : extra)
                writer.AddFile(add(name, bytes), name, false);
            writer.Close(true);
        }
        std::string cab = ReadWholeFile(cabinet);
        DeleteFileA(cabinet.c_str());
        for (const std::string& s : sources)
            DeleteFileA(s.c_str());
        std::string package = ScratchName("wizsetup") + ".exe";
        WriteWholeFile(package, std::string(400000, '\0') + fileCabinets + cab +
                                    Trailer(Digits10(static_cast<long long>(cab.size()))));
        files_.push_back(package);
        return package;
    }

public:
    // Start-up, then the wizard shown and its start message handled. -1: the
    // wizard runs; else the exit code the start-up ended with.
    int Start(const std::string& script, const std::vector<std::string>& languages = {"English"},
              const std::map<std::string, std::string>& extra = {}, const std::string& arguments = "")
    {
        std::string package = MakePackage(script, languages, extra);
        ::Setup().SetupExe = package;
        ::Setup().Params = SplitCommandLine("\"" + package + "\" " + arguments);
        try {
            RunStartup(form_);
        } catch (const TSetupEnded& ended) {
            return ended.Code;
        }
        form_.ShowWizard();
        Pump();
        return -1;
    }

    // Handles what is queued now (posted starts and ends included).
    void Pump()
    {
        for (int i = 0; i < 3; ++i)
            winlib::ProcessMessages();
    }

    int Page() const { return ::Setup().CurrentPage; }

protected:
    TForm1 form_;
    std::vector<std::string> files_;
};

}  // namespace wizard_test
