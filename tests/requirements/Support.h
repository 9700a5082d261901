// A fake machine for the requirement, rule and previous-version tests, and a
// fixture that gives each test a setup script and a language file whose
// [Messages] entries read "M<n>: %s".
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/MachineSeam.h"
#include "runtime/SetupState.h"
#include "winlib/Application.h"
#include "winlib/IniFile.h"
#include "winlib/Path.h"

namespace requirements_test {

// What Machine().End does in these tests instead of ending the process.
struct TEnded {
    int Code;
};

struct TBox {
    HWND Owner;
    std::string Text, Caption;
    UINT Flags;
    int DefaultButton() const { return static_cast<int>((Flags & MB_DEFMASK) >> 8); }
};

class TFakeMachine : public TSetupMachine {
public:
    bool Windows64 = true;
    std::string Name = "Win7";
    bool Internet = true;
    int InternetProbes = 0;
    int DotNet = -1, SqlCompact = -1, SqlServer = -1;
    std::string IE = "11.0.9600", Acrobat = "0.0", Java = "0.0";
    std::function<bool(const std::string&)> Running = [](const std::string&) { return false; };

    std::vector<int> Answers;  // in order; a box beyond them fails the test
    std::vector<TBox> Boxes;
    std::vector<std::string> Runs;   // program + "|" + parameters
    std::vector<std::string> Opens;  // file + "|" + parameters + "|" + folder
    std::function<void(const std::string& program)> OnRun;  // what a run changes
    bool RunStarts = true;
    ULONGLONG Clock = 0;
    std::vector<DWORD> Sleeps;

    // Registry reads come from here when set (key path "ROOT|view|key" -> values).
    bool FakeRegistry = false;
    std::map<std::string, std::map<std::string, std::string>> Keys;
    static std::string KeyName(HKEY root, winlib::RegView view, const std::string& key)
    {
        return std::to_string(reinterpret_cast<uintptr_t>(root)) + (view == winlib::RegView::View64 ? "|64|" : "|32|") + key;
    }

    bool WindowsIs64() override { return Windows64; }
    std::string WindowsName() override { return Name; }
    bool InternetAvailable() override { ++InternetProbes; return Internet; }
    bool ProcessRunning(const std::string& name) override { return Running(name); }
    int DotNetLevel() override { return DotNet; }
    std::string IEVersion() override { return IE; }
    std::string AcrobatReaderVersion() override { return Acrobat; }
    std::string JavaVersion() override { return Java; }
    int SqlCompactLevel() override { return SqlCompact; }
    int SqlServerLevel() override { return SqlServer; }

    TRegistryValue ReadRegistryValue(HKEY root, winlib::RegView view, const std::string& key,
                                     const std::string& name) override
    {
        if (!FakeRegistry)
            return TSetupMachine::ReadRegistryValue(root, view, key, name);
        TRegistryValue value;
        auto found = Keys.find(KeyName(root, view, key));
        if (found == Keys.end())
            return value;
        value.KeyOpens = true;
        auto v = found->second.find(name);
        value.Exists = value.HasText = v != found->second.end();
        if (value.Exists)
            value.Text = v->second;
        return value;
    }

    int Ask(HWND owner, const std::string& text, const std::string& caption, UINT flags) override
    {
        Boxes.push_back({owner, text, caption, flags});
        if (Boxes.size() > Answers.size()) {
            ADD_FAILURE() << "unexpected box: " << text;
            throw TEnded{-1};
        }
        return Answers[Boxes.size() - 1];
    }
    bool RunAndWait(const std::string& program, const std::string& parameters, int) override
    {
        Runs.push_back(program + "|" + parameters);
        if (OnRun)
            OnRun(program);
        return RunStarts;
    }
    void ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder) override
    {
        Opens.push_back(file + "|" + parameters + "|" + folder);
    }
    void Sleep(DWORD ms) override { Sleeps.push_back(ms); Clock += ms; }
    void Pump() override {}
    ULONGLONG Now() override { return Clock; }
    void End(int code) override { throw TEnded{code}; }
};

inline std::string ScratchName(const std::string& stem)
{
    static unsigned counter = 0;
    return winlib::GetTempDir() + "\\reqtest-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

class TMachineTest : public ::testing::Test {
protected:
    TFakeMachine machine;

    void SetUp() override
    {
        ::Setup() = TSetupState();
        scriptFile_ = ScratchName("script") + ".ini";
        languageFile_ = ScratchName("lang") + ".lng";
        ::Setup().SetupIni = std::make_unique<winlib::TIniFile>(scriptFile_);
        ::Setup().LanguageIni = std::make_unique<winlib::TIniFile>(languageFile_);
        for (int n = 1; n <= 30; ++n)
            ::Setup().LanguageIni->WriteString("Messages", std::to_string(n), "M" + std::to_string(n) + ": %s");
        Set("AppName", "App");
        Set("AppVersion", "1.0");
        ::Setup().SetupTitle = "App 1.0";
        ::Setup().AdminRequired = false;
        winlib::SetApplicationTitle("App Setup");
        SetMachine(&machine);
    }

    void TearDown() override
    {
        SetMachine(nullptr);
        ::Setup() = TSetupState();
        DeleteFileA(scriptFile_.c_str());
        DeleteFileA(languageFile_.c_str());
    }

    void Set(const std::string& key, const std::string& value) { ::Setup().SetupIni->WriteString("Setup", key, value); }

    // Runs step; -1 when it returned, else the code the setup ended with.
    template <class F>
    int Outcome(F step)
    {
        try {
            step();
            return -1;
        } catch (const TEnded& ended) {
            return ended.Code;
        }
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const TBox& box : machine.Boxes)
            texts.push_back(box.Text);
        return texts;
    }

private:
    std::string scriptFile_, languageFile_;
};

}  // namespace requirements_test
