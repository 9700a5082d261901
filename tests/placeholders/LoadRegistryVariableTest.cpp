// [Variables] records read against scratch keys in HKCU and both views of HKLM.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "runtime/Placeholders.h"

using namespace phtest;

namespace {

class LoadRegistryVariableTest : public ::testing::Test {
protected:
    LoadRegistryVariableTest()
        : sub("Software\\KinPhTest" + std::to_string(GetCurrentProcessId())),
          keys(sub), topKeys("KinPhTop" + std::to_string(GetCurrentProcessId()))
    {
    }
    void SetUp() override
    {
        ResetState(&fields);
        keys.SetString(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "Str", "hello");
        keys.SetDword(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "Dw", 0xFFFFFFFF);
        keys.SetDword(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "Small", 42);
        keys.SetString(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "Where", "cu");
        keys.SetString(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "Where", "lm32");
        keys.SetString(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "Where", "lm64");
    }
    void TearDown() override { ::Setup() = TSetupState(); }

    // The value the record defined, or "(none)" when it defined nothing.
    std::string Load(const std::string& record)
    {
        ::Setup().VariablesList.clear();
        LoadRegistryVariable(record);
        if (::Setup().VariablesList.empty())
            return "(none)";
        EXPECT_EQ(::Setup().VariablesList.size(), 1u);
        return ::Setup().VariablesList.back();
    }
    std::string Record(const std::string& root, const std::string& value, const std::string& type,
                       const std::string& def) const
    {
        return "<V>*?" + root + sub + "*?" + value + "*?" + type + "*?" + def;
    }

    TFakeFields fields;
    std::string sub;
    TScratchKeys keys;
    TScratchKeys topKeys;
};

TEST_F(LoadRegistryVariableTest, StringTypeReadsAStringValue)
{
    EXPECT_EQ(Load(Record("HKCU\\", "Str", "STRING", "def")), "<V>?hello");
    EXPECT_EQ(Load(Record("HKCU\\", "Str", "string", "def")), "<V>?hello");
}

TEST_F(LoadRegistryVariableTest, OtherTypesReadASignedDword)
{
    EXPECT_EQ(Load(Record("HKCU\\", "Dw", "DWORD", "def")), "<V>?-1");
    EXPECT_EQ(Load(Record("HKCU\\", "Small", "DWORD", "")), "<V>?42");
}

TEST_F(LoadRegistryVariableTest, TypeMismatchOrMissingKeyGivesTheExpandedDefault)
{
    std::string langId = GetFolderPath(46);
    EXPECT_EQ(Load(Record("HKCU\\", "Dw", "STRING", "<SystemLngID>")), "<V>?" + langId);
    EXPECT_EQ(Load(Record("HKCU\\", "Str", "DWORD", "d<#>")), "<V>?d\r\n");
    EXPECT_EQ(Load("<V>*?HKCU\\Software\\KinPhNoSuchKey*?Str*?STRING*?<SystemLngID>"), "<V>?" + langId);
    EXPECT_EQ(Load(Record("HKCU\\", "NoSuchValue", "STRING", "x")), "<V>?x");
}

TEST_F(LoadRegistryVariableTest, OnlyFourOrFiveFieldsDefineAVariable)
{
    EXPECT_EQ(Load("<V>*?HKCU\\" + sub + "*?Str"), "(none)");
    EXPECT_EQ(Load(Record("HKCU\\", "Str", "STRING", "a") + "*?extra"), "(none)");
    EXPECT_EQ(Load("<V>*?HKCU\\" + sub + "*?NoSuchValue*?STRING"), "<V>?");
    EXPECT_EQ(Load(Record("HKCU\\", "Small", "DWORD", "")), "<V>?42");  // empty last field: four fields
    EXPECT_EQ(Load(""), "(none)");
}

TEST_F(LoadRegistryVariableTest, RootNamesSelectTheRootAndAnythingElseMeansCurrentUser)
{
    EXPECT_EQ(Load(Record("HKLM\\", "Where", "STRING", "")), "<V>?lm32");
    EXPECT_EQ(Load(Record("hklm\\", "Where", "STRING", "")), "<V>?lm32");
    EXPECT_EQ(Load(Record("HKEY_LOCAL_MACHINE\\", "Where", "STRING", "")), "<V>?lm32");
    EXPECT_EQ(Load(Record("HKCU\\", "Where", "STRING", "")), "<V>?cu");
    EXPECT_EQ(Load(Record("FOO\\", "Where", "STRING", "")), "<V>?cu");
    EXPECT_EQ(Load(Record("HKEY_USERS\\", "Where", "STRING", "none")), "<V>?none");
}

TEST_F(LoadRegistryVariableTest, AKeyWithoutBackslashIsACurrentUserKey)
{
    topKeys.SetString(HKEY_CURRENT_USER, KEY_WOW64_64KEY, "Top", "top");
    EXPECT_EQ(Load("<V>*?" + topKeys.Path() + "*?Top*?STRING*?"), "<V>?top");
}

TEST_F(LoadRegistryVariableTest, X64PackageReadsThe64BitView)
{
    ::Setup().Package64 = true;
    EXPECT_EQ(Load(Record("HKLM\\", "Where", "STRING", "")), "<V>?lm64");
}

TEST_F(LoadRegistryVariableTest, LaterRecordsUseEarlierVariables)
{
    LoadRegistryVariable(Record("HKCU\\", "Str", "STRING", ""));
    LoadRegistryVariable("<W>*?HKCU\\Software\\KinPhNoSuchKey*?x*?STRING*?<V>-2");
    LoadRegistryVariable("<K>*?HKCU\\<Sub>*?Small*?DWORD*?");  // <Sub> is not defined: the key is missing
    ::Setup().VariablesList.push_back("<Sub>?" + sub);
    LoadRegistryVariable("<L>*?HKCU\\<Sub>*?Small*?DWORD*?");
    ASSERT_EQ(::Setup().VariablesList.size(), 5u);
    EXPECT_EQ(::Setup().VariablesList[1], "<W>?hello-2");
    EXPECT_EQ(::Setup().VariablesList[2], "<K>?");
    EXPECT_EQ(::Setup().VariablesList[4], "<L>?42");
    EXPECT_EQ(ExpandPlaceholders("<W>/<L>"), "hello-2/42");
}

}  // namespace
