// Commands: the command line a waited-for program gets, and the ones never started.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "runtime/Commands.h"
#include "winlib/Path.h"

namespace {

std::string ThisFolder()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return winlib::ExtractFileDir(path);
}

// One log per test: the suite runs tests in parallel processes.
std::string ArgLogFile()
{
    return winlib::GetTempDir() + "\\arglog-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
}

std::string ReadAll(const std::string& path)
{
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

class RunAndWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileA(ArgLogFile().c_str());
        SetEnvironmentVariableA("ARGLOG_FILE", ArgLogFile().c_str());  // inherited by the started program
    }
    void TearDown() override { DeleteFileA(ArgLogFile().c_str()); }
    std::string program_ = ThisFolder() + "\\arglog.exe";
};

TEST_F(RunAndWaitTest, ParametersOf300CharactersArriveWholeInTheProgramsFolder)
{
    std::string parameter(300, 'p');
    ASSERT_TRUE(RunAndWait(program_, "long " + parameter, SW_HIDE));
    std::string log = ReadAll(ArgLogFile());
    EXPECT_NE(log.find("ARG2 300 0 " + parameter + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CWD " + ThisFolder() + "\r\n"), std::string::npos) << log;
}

TEST_F(RunAndWaitTest, CommandLineOver32767CharactersIsNotStarted)
{
    EXPECT_FALSE(RunAndWait(program_, "long " + std::string(40000, 'p'), SW_HIDE));
    EXPECT_FALSE(winlib::FileExists(ArgLogFile()));
    std::string atLimit = std::string(MaxCommandLineLength - BuildCommandLine(program_, "").size(), 'p');
    EXPECT_EQ(BuildCommandLine(program_, atLimit).size(), MaxCommandLineLength);
}

TEST_F(RunAndWaitTest, BareProgramNameRunsWithoutAWorkingFolder)
{
    EXPECT_EQ(CommandWorkingFolder("cmd.exe"), "");
    EXPECT_EQ(CommandWorkingFolder("C:\\Tools\\x.exe"), "C:\\Tools\\");
    EXPECT_TRUE(RunAndWait("cmd.exe", "/c exit 0", SW_HIDE));
}

TEST_F(RunAndWaitTest, MissingProgramIsNotStarted)
{
    EXPECT_FALSE(RunAndWait(ThisFolder() + "\\no-such-program.exe", "", SW_HIDE));
}

}  // namespace
