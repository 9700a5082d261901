// pkgtool package: builds a setup package from a fixture script with the project's
// own package and script writers, the way the package builder will.
//
//   package --engine E --script S --out O [--file SRC TARGET [MODE UNINSTALL]]...
//           [--empty-slot]... [--uninstaller U] [--member SRC [NAME]]...
//
// The script S is read, never changed: its [Setup] keys (in file order) and list
// records are written again with FilesCount, [Files] and EngineSize of this build.
// Each --file, --empty-slot and --uninstaller takes the next [Files] slot in
// argument order. Members are packed in the setup cabinet's fixed order.
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "authoring/PackageWriter.h"
#include "authoring/SetupScriptWriter.h"
#include "tests/tools/pkgtool.h"
#include "winlib/IniFile.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using namespace setupformat;

namespace {

struct TSlotArg {
    bool Empty = false;
    bool Uninstaller = false;
    std::string Source, Target, Mode = "Overwrite", Uninstall = "Yes";

    static TSlotArg EmptySlot() { TSlotArg slot; slot.Empty = true; return slot; }
    static TSlotArg UninstallerSlot() { TSlotArg slot; slot.Uninstaller = true; return slot; }
};

struct TPackageArgs {
    std::string Engine, Script, Out, Uninstaller;
    std::vector<TSlotArg> Slots;
    std::vector<TSetupMember> Members;
};

bool IsOption(const char* arg) { return std::strncmp(arg, "--", 2) == 0; }

// Parses the arguments; false (with a message) when they do not form a command.
bool ParseArgs(int argc, char** argv, TPackageArgs& args)
{
    auto value = [&](int& i) -> const char* { return i + 1 < argc && !IsOption(argv[i + 1]) ? argv[++i] : nullptr; };
    for (int i = 0; i < argc; ++i) {
        std::string opt = argv[i];
        const char* v = nullptr;
        if (opt == "--engine" || opt == "--script" || opt == "--out" || opt == "--uninstaller") {
            if (!(v = value(i))) return std::fprintf(stderr, "pkgtool package: %s needs a value\n", opt.c_str()), false;
            if (opt == "--engine") args.Engine = v;
            if (opt == "--script") args.Script = v;
            if (opt == "--out") args.Out = v;
            if (opt == "--uninstaller") {
                args.Uninstaller = v;
                args.Slots.push_back(TSlotArg::UninstallerSlot());
            }
        } else if (opt == "--file") {
            TSlotArg slot;
            const char* src = value(i);
            const char* target = src ? value(i) : nullptr;
            if (!target) return std::fprintf(stderr, "pkgtool package: --file needs SRC and TARGET\n"), false;
            slot.Source = src;
            slot.Target = target;
            if (const char* mode = value(i)) {
                const char* uninstall = value(i);
                if (!uninstall) return std::fprintf(stderr, "pkgtool package: --file MODE needs UNINSTALL\n"), false;
                slot.Mode = mode;
                slot.Uninstall = uninstall;
            }
            args.Slots.push_back(slot);
        } else if (opt == "--empty-slot") {
            args.Slots.push_back(TSlotArg::EmptySlot());
        } else if (opt == "--member") {
            const char* src = value(i);
            if (!src) return std::fprintf(stderr, "pkgtool package: --member needs SRC\n"), false;
            const char* name = value(i);
            std::string member = name ? name : winlib::ExtractFileName(src);
            args.Members.push_back({src, member, MemberKindOfName(member)});
        } else {
            return std::fprintf(stderr, "pkgtool package: unknown argument %s\n", opt.c_str()), false;
        }
    }
    if (args.Engine.empty() || args.Script.empty() || args.Out.empty())
        return std::fprintf(stderr, "pkgtool package: --engine, --script and --out are required\n"), false;
    return true;
}

// Fields as stored, without the runtime's loss of an empty last field.
std::vector<std::string> SplitFields(const std::string& record, const std::string& separator)
{
    std::vector<std::string> fields;
    size_t start = 0, at;
    while ((at = record.find(separator, start)) != std::string::npos) {
        fields.push_back(record.substr(start, at - start));
        start = at + separator.size();
    }
    fields.push_back(record.substr(start));
    return fields;
}

// The fixture's [Setup] keys and list records; FilesCount, [Files] and EngineSize
// come from this build.
TSetupScript LoadFixture(const std::string& fileName)
{
    if (!winlib::FileExists(fileName)) throw EPackageError("Script not found: \"" + fileName + "\"");
    winlib::TIniFile ini(fileName);
    TSetupScript script;
    for (const std::string& key : ini.ReadSection(SetupSection)) {
        if (winlib::SameText(key, EngineSizeKey)) continue;
        script.Setup.push_back({key, ini.ReadString(SetupSection, key, "")});
    }
    for (const TListSectionDef& def : ListSections()) {
        if (def.Id == lsFiles) continue;
        for (const std::string& key : ini.ReadSection(def.Name))
            script.List(def.Id).push_back(SplitFields(ini.ReadString(def.Name, key, ""), def.Separator));
    }
    return script;
}

void BuildPackage(const TPackageArgs& args)
{
    TSetupScript script = LoadFixture(args.Script);
    TPackageWriter writer(args.Out);
    script.EngineSize = writer.CopyEngine(args.Engine);

    std::vector<TSetupMember> members = args.Members;
    for (const TSlotArg& slot : args.Slots) {
        if (slot.Empty) {
            script.Files.push_back(std::nullopt);
        } else if (slot.Uninstaller) {
            script.Files.push_back(TFilesRecord{UninstallerTarget, 0, "Overwrite", "Yes"});
            members.push_back({args.Uninstaller, UninstallerMemberName, TMemberKind::Uninstaller});
        } else {
            long long length = writer.AppendFileCabinet(slot.Source, winlib::ExtractFileName(slot.Target));
            script.Files.push_back(TFilesRecord{slot.Target, length, slot.Mode, slot.Uninstall});
        }
    }
    script.SetInteger(FilesCountKey, static_cast<long long>(script.Files.size()));

    std::string scriptFile = writer.WorkFolder() + "\\" + SetupScriptName;
    WriteSetupScript(script, scriptFile);
    writer.Finish(scriptFile, members);
}

}  // namespace

int CmdPackage(int argc, char** argv)
{
    TPackageArgs args;
    if (!ParseArgs(argc, argv, args)) return 2;
    try {
        BuildPackage(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pkgtool package: %s\n", e.what());
        return 1;
    }
    std::printf("%s\n", winlib::ExpandFileName(args.Out).c_str());
    return 0;
}
