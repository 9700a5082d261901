// The package writer's promises: the layout, the block events, the 2 GiB guard,
// and that a failed or cancelled build leaves no output and no work folder.
// (The layout is checked with independent tools in package_e2e.sh.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "authoring/PackageWriter.h"
#include "authoring/SetupScriptWriter.h"
#include "tests/format/TestFolder.h"
#include "winlib/OsError.h"

using namespace setupformat;

namespace {

std::string Bytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

uint32_t U32(const std::string& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

struct TInputs {
    TTestFolder In, Out;
    std::string Engine, Source, Script, Output;
    TInputs()
    {
        Engine = In.Write("engine.dat", Bytes(3000, 1));
        Source = In.Write("a.bin", Bytes(5000, 2));
        Output = Out / "setup.exe";
        TSetupScript script;
        script.Set("AppName", "Demo");
        Script = In / "qzsetup.ini";
        WriteSetupScript(script, Script);
    }
};

// Builds the whole package; returns the cabinet length of the one file.
long long Build(TPackageWriter& writer, const TInputs& in)
{
    writer.CopyEngine(in.Engine);
    long long length = writer.AppendFileCabinet(in.Source, "a.bin");
    writer.Finish(in.Script, {});
    return length;
}

template <class E>
std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "no exception";
    return "";
}

}  // namespace

TEST(PackageWriter, LaysOutEngineFileCabinetSetupCabinetAndTrailer)
{
    TInputs in;
    std::vector<std::pair<long long, long long>> blocks;
    long long engineSize = 0, length = 0;
    {
        TPackageWriter writer(in.Output);
        writer.OnBlock = [&](long long done, long long total) {
            blocks.push_back({done, total});
            return true;
        };
        engineSize = writer.CopyEngine(in.Engine);
        length = writer.AppendFileCabinet(in.Source, "a.bin");
        EXPECT_FALSE(winlib::FileExists(in.Output)) << "the output appears only when complete";
        writer.Finish(in.Script, {});
    }
    std::string package = TTestFolder::Read(in.Output);
    ASSERT_EQ(engineSize, 3000);
    EXPECT_EQ(package.substr(0, 3000), TTestFolder::Read(in.Engine));

    EXPECT_EQ(package.substr(3000, 4), "MSCF");
    EXPECT_EQ(U32(package, 3000 + 8), static_cast<uint32_t>(length));

    int setupLength = 0;
    ASSERT_TRUE(ParseTrailer(package.data() + package.size() - TrailerLength, TrailerLength, setupLength));
    size_t setupStart = package.size() - TrailerLength - setupLength;
    EXPECT_EQ(setupStart, static_cast<size_t>(3000 + length)) << "no gap between the cabinets";
    EXPECT_EQ(package.substr(setupStart, 4), "MSCF");
    EXPECT_EQ(U32(package, setupStart + 8), static_cast<uint32_t>(setupLength));

    ASSERT_EQ(blocks.size(), static_cast<size_t>((length + 2047) / 2048)) << "one event per 2,048-byte block";
    EXPECT_EQ(blocks.front().first, std::min<long long>(2048, length));
    EXPECT_EQ(blocks.back().first, length);
    EXPECT_EQ(blocks.back().second, length);
}

TEST(PackageWriter, OrdersMembersStablyAndRefusesDuplicateNames)
{
    using K = TMemberKind;
    std::vector<TSetupMember> members = {
        {"u", "QZUninstall.exe", K::Uninstaller}, {"t1", "one.txt", K::TempFile},
        {"h", "qzheader.bmp", K::HeaderPicture},  {"g", "Germanqz.lng", K::Language},
        {"t2", "two.txt", K::TempFile},           {"e", "Englishqz.lng", K::Language},
        {"i", "Updater.ini", K::UpdaterIni},      {"s", "qzsetup.ini", K::Script},
    };
    std::vector<std::string> names;
    for (const TSetupMember& m : OrderMembers(members)) names.push_back(m.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Germanqz.lng", "Englishqz.lng", "qzsetup.ini", "qzheader.bmp",
                                               "one.txt", "two.txt", "QZUninstall.exe", "Updater.ini"}));

    members.push_back({"x", "ONE.TXT", K::TempFile});
    std::string message = MessageOf<EPackageError>([&] { OrderMembers(members); });
    EXPECT_NE(message.find("ONE.TXT"), std::string::npos) << message;
}

TEST(PackageWriter, WorkFolderIsRemovedWhenTheWriterGoes)
{
    TInputs in;
    std::string work;
    {
        TPackageWriter writer(in.Output);
        work = writer.WorkFolder();
        EXPECT_TRUE(winlib::DirectoryExists(work));
        Build(writer, in);
    }
    EXPECT_FALSE(winlib::DirectoryExists(work));
    {
        TPackageWriter writer(in.Out / "other.exe");
        work = writer.WorkFolder();
        writer.CopyEngine(in.Engine);
        TTestFolder::Read(in.Engine);
        std::FILE* f = std::fopen((work + "\\leftover.tmp").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    EXPECT_FALSE(winlib::DirectoryExists(work)) << "an unfinished build's work folder goes too";
}

TEST(PackageWriter, UnfinishedBuildLeavesNothingInTheOutputFolder)
{
    TInputs in;
    {
        TPackageWriter writer(in.Output);
        writer.CopyEngine(in.Engine);
        writer.AppendFileCabinet(in.Source, "a.bin");
    }
    EXPECT_TRUE(in.Out.List().empty());
}

TEST(PackageWriter, BlockEventCanCancelAndNothingIsLeft)
{
    TInputs in;
    int events = 0;
    {
        TPackageWriter writer(in.Output);
        writer.OnBlock = [&](long long, long long) { return ++events < 2; };
        writer.CopyEngine(in.Engine);
        EXPECT_THROW(writer.AppendFileCabinet(in.Source, "a.bin"), EPackageCancelled);
    }
    EXPECT_EQ(events, 2);
    EXPECT_TRUE(in.Out.List().empty());
}

TEST(PackageWriter, MissingEngineRaisesOsErrorTwoNamingTheFile)
{
    TInputs in;
    std::string missing = in.In / "Engine9.dat";
    {
        TPackageWriter writer(in.Output);
        try {
            writer.CopyEngine(missing);
            ADD_FAILURE() << "no error";
        } catch (const winlib::EOSError& e) {
            EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(in.Out.List().empty());
}

TEST(PackageWriter, MissingSourceRaisesNamingTheFile)
{
    TInputs in;
    std::string missing = in.In / "gone.txt";
    {
        TPackageWriter writer(in.Output);
        writer.CopyEngine(in.Engine);
        std::string message = MessageOf<std::exception>([&] { writer.AppendFileCabinet(missing, "gone.txt"); });
        EXPECT_NE(message.find(missing), std::string::npos) << message;
    }
    EXPECT_TRUE(in.Out.List().empty());
}

// Wine's FCI cannot flush a cabinet holding only a 0-byte file (Windows can):
// the failure names the publisher's file, not the builder's work cabinet.
TEST(PackageWriter, FileCabinetThatCannotBeCompletedNamesItsSource)
{
    TInputs in;
    std::string empty = in.In.Write("empty.txt", "");
    {
        TPackageWriter writer(in.Output);
        writer.CopyEngine(in.Engine);
        std::string message = MessageOf<EPackageError>([&] { writer.AppendFileCabinet(empty, "empty.txt"); });
        EXPECT_NE(message.find(empty), std::string::npos) << message;
    }
    EXPECT_TRUE(in.Out.List().empty());
}

TEST(PackageWriter, MissingMemberRaisesNamingTheFile)
{
    TInputs in;
    std::string missing = in.In / "qzwizard.bmp";
    {
        TPackageWriter writer(in.Output);
        writer.CopyEngine(in.Engine);
        std::string message = MessageOf<std::exception>(
            [&] { writer.Finish(in.Script, {{missing, WizardPictureName, TMemberKind::WizardPicture}}); });
        EXPECT_NE(message.find(missing), std::string::npos) << message;
    }
    EXPECT_TRUE(in.Out.List().empty());
}

TEST(PackageWriter, MissingOutputFolderRaisesOsError)
{
    TInputs in;
    EXPECT_THROW(TPackageWriter(in.Out / "no\\such\\setup.exe"), winlib::EOSError);
}

TEST(PackageWriter, StepsOutOfOrderAreRefused)
{
    TInputs in;
    TPackageWriter writer(in.Output);
    EXPECT_THROW(writer.AppendFileCabinet(in.Source, "a.bin"), std::logic_error);
    EXPECT_THROW(writer.Finish(in.Script, {}), std::logic_error);
    writer.CopyEngine(in.Engine);
    EXPECT_THROW(writer.CopyEngine(in.Engine), std::logic_error);
}

// The guard with a lowered limit: the same decision as at 2 GiB, on small files.
TEST(PackageWriter, PackageReachingTheLimitIsRefusedWithoutTrailer)
{
    TInputs in;
    long long full = 0;
    {
        TPackageWriter writer(in.Output);
        Build(writer, in);
    }
    full = static_cast<long long>(TTestFolder::Read(in.Output).size());
    DeleteFileA(in.Output.c_str());

    {  // exactly one byte below the limit: allowed
        TPackageWriter writer(in.Output);
        writer.SizeLimit = full + 1;
        EXPECT_NO_THROW(Build(writer, in));
    }
    EXPECT_EQ(static_cast<long long>(TTestFolder::Read(in.Output).size()), full);
    DeleteFileA(in.Output.c_str());

    {  // the setup cabinet and trailer would reach the limit
        TPackageWriter writer(in.Output);
        writer.SizeLimit = full;
        std::string message = MessageOf<EPackageError>([&] { Build(writer, in); });
        EXPECT_NE(message.find("2 GiB"), std::string::npos) << message;
        EXPECT_NE(message.find(in.Output), std::string::npos) << message;
    }
    EXPECT_TRUE(in.Out.List().empty()) << "no output, so no trailer either";

    {  // a file cabinet would reach it
        TPackageWriter writer(in.Output);
        writer.SizeLimit = 3000 + 100;
        writer.CopyEngine(in.Engine);
        EXPECT_THROW(writer.AppendFileCabinet(in.Source, "a.bin"), EPackageError);
    }
    EXPECT_TRUE(in.Out.List().empty());
}
