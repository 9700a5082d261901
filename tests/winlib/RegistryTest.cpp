#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "winlib/Registry.h"

using winlib::RegView;
using winlib::TRegistry;

namespace {

std::string ScratchKey(const char* stem)
{
    return std::string("Software\\KInstallerTests-winlib-") + stem + "-" + std::to_string(GetCurrentProcessId());
}

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
        LONG result = reg.DeleteKey(key_);
        EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
    std::string key_ = ScratchKey("registry");
};

TEST_F(RegistryTest, EachValueTypeRoundTrips)
{
    TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
    ASSERT_EQ(reg.OpenKey(key_, true), ERROR_SUCCESS);
    std::string longText(10000, 'L');
    const std::vector<unsigned char> bytes = {0, 1, 2, 0, 255, 0};
    EXPECT_EQ(reg.WriteString("Text", "hello world"), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteString("Empty", ""), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteString("Long", longText), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteExpandString("Expand", "%SystemRoot%\\x"), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteInteger("Number", 0xDEADBEEF), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteBinary("Bytes", bytes), ERROR_SUCCESS);
    EXPECT_EQ(reg.WriteBinary("NoBytes", {}), ERROR_SUCCESS);
    reg.CloseKey();

    TRegistry read(HKEY_CURRENT_USER, RegView::View64);
    ASSERT_EQ(read.OpenKeyReadOnly(key_), ERROR_SUCCESS);
    std::string text;
    EXPECT_EQ(read.ReadString("Text", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "hello world");
    EXPECT_EQ(read.ReadString("Empty", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "");
    EXPECT_EQ(read.ReadString("Long", text), ERROR_SUCCESS);
    EXPECT_EQ(text, longText);
    EXPECT_EQ(read.ReadString("Expand", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "%SystemRoot%\\x");  // not expanded
    DWORD type = 0;
    EXPECT_EQ(read.ReadType("Expand", type), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    DWORD number = 0;
    EXPECT_EQ(read.ReadInteger("Number", number), ERROR_SUCCESS);
    EXPECT_EQ(number, 0xDEADBEEFu);
    std::vector<unsigned char> data;
    EXPECT_EQ(read.ReadBinary("Bytes", data), ERROR_SUCCESS);
    EXPECT_EQ(data, bytes);
    EXPECT_EQ(read.ReadBinary("NoBytes", data), ERROR_SUCCESS);
    EXPECT_TRUE(data.empty());
}

TEST_F(RegistryTest, WrongTypeMissingValueAndClosedKeyAnswerWithTheirCodes)
{
    TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
    std::string text;
    EXPECT_EQ(reg.ReadString("Text", text), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.WriteString("Text", "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.OpenKey(key_, false), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(reg.IsOpen());

    ASSERT_EQ(reg.OpenKey(key_, true), ERROR_SUCCESS);
    EXPECT_EQ(reg.CurrentPath(), key_);
    ASSERT_EQ(reg.WriteInteger("Number", 5), ERROR_SUCCESS);
    EXPECT_EQ(reg.ReadString("Number", text), ERROR_INVALID_DATATYPE);
    DWORD number = 0;
    EXPECT_EQ(reg.ReadInteger("Missing", number), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.WriteString("Nul", std::string("a\0b", 3)), ERROR_INVALID_DATA);

    TRegistry readOnly(HKEY_CURRENT_USER, RegView::View64);
    ASSERT_EQ(readOnly.OpenKeyReadOnly(key_), ERROR_SUCCESS);
    EXPECT_EQ(readOnly.WriteInteger("Number", 6), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, ExistsEnumerateAndDeleteValues)
{
    TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
    ASSERT_EQ(reg.OpenKey(key_ + "\\Sub B", true), ERROR_SUCCESS);
    ASSERT_EQ(reg.OpenKey(key_ + "\\Sub A", true), ERROR_SUCCESS);
    ASSERT_EQ(reg.OpenKey(key_, true), ERROR_SUCCESS);
    ASSERT_EQ(reg.WriteString("One", "1"), ERROR_SUCCESS);
    ASSERT_EQ(reg.WriteInteger("Two", 2), ERROR_SUCCESS);
    ASSERT_EQ(reg.WriteString(std::string(200, 'n'), "long name"), ERROR_SUCCESS);

    EXPECT_TRUE(reg.KeyExists(key_ + "\\Sub A"));
    EXPECT_FALSE(reg.KeyExists(key_ + "\\Sub C"));
    EXPECT_TRUE(reg.ValueExists("One"));
    EXPECT_FALSE(reg.ValueExists("Three"));

    std::vector<std::string> keys, values;
    EXPECT_EQ(reg.GetKeyNames(keys), ERROR_SUCCESS);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"Sub A", "Sub B"}));
    EXPECT_EQ(reg.GetValueNames(values), ERROR_SUCCESS);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::string>{"One", "Two", std::string(200, 'n')}));

    EXPECT_EQ(reg.DeleteValue("One"), ERROR_SUCCESS);
    EXPECT_FALSE(reg.ValueExists("One"));
    EXPECT_EQ(reg.DeleteValue("One"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeTree)
{
    TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
    for (const char* sub : {"\\A\\B\\C", "\\A\\D", "\\E"}) {
        ASSERT_EQ(reg.OpenKey(key_ + sub, true), ERROR_SUCCESS);
        ASSERT_EQ(reg.WriteString("V", sub), ERROR_SUCCESS);
    }
    reg.CloseKey();
    EXPECT_EQ(reg.DeleteKey(key_ + "\\A\\"), ERROR_SUCCESS);
    EXPECT_FALSE(reg.KeyExists(key_ + "\\A"));
    EXPECT_TRUE(reg.KeyExists(key_ + "\\E"));
    EXPECT_EQ(reg.DeleteKey(key_), ERROR_SUCCESS);
    EXPECT_FALSE(reg.KeyExists(key_));
    EXPECT_EQ(reg.DeleteKey(key_), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.DeleteKey(""), ERROR_INVALID_PARAMETER);
}

TEST(RegistryViews, HkcuSoftwareIsOneKeyInBothViews)
{
    std::string key = ScratchKey("shared");
    TRegistry reg64(HKEY_CURRENT_USER, RegView::View64);
    ASSERT_EQ(reg64.OpenKey(key, true), ERROR_SUCCESS);
    reg64.CloseKey();
    TRegistry reg32(HKEY_CURRENT_USER, RegView::View32);
    EXPECT_TRUE(reg32.KeyExists(key));
    EXPECT_EQ(reg32.DeleteKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(reg64.KeyExists(key));
}

// HKLM\Software is split in two on 64-bit Windows; each view sees and deletes only its own keys.
TEST(RegistryViews, HklmSoftwareKeyOfOneViewIsInvisibleInTheOther)
{
    std::string key = ScratchKey("views");
    TRegistry reg64(HKEY_LOCAL_MACHINE, RegView::View64);
    TRegistry reg32(HKEY_LOCAL_MACHINE, RegView::View32);
    EXPECT_EQ(reg64.ViewFlag(), static_cast<REGSAM>(KEY_WOW64_64KEY));
    EXPECT_EQ(reg32.ViewFlag(), static_cast<REGSAM>(KEY_WOW64_32KEY));

    ASSERT_EQ(reg64.OpenKey(key + "\\Sub", true), ERROR_SUCCESS);
    ASSERT_EQ(reg64.WriteString("Where", "64"), ERROR_SUCCESS);
    reg64.CloseKey();
    EXPECT_TRUE(reg64.KeyExists(key + "\\Sub"));
    EXPECT_FALSE(reg32.KeyExists(key));
    EXPECT_EQ(reg32.DeleteKey(key), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(reg64.KeyExists(key + "\\Sub"));

    ASSERT_EQ(reg32.OpenKey(key, true), ERROR_SUCCESS);
    ASSERT_EQ(reg32.WriteString("Where", "32"), ERROR_SUCCESS);
    reg32.CloseKey();
    EXPECT_FALSE(reg32.KeyExists(key + "\\Sub"));

    EXPECT_EQ(reg64.DeleteKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(reg64.KeyExists(key));
    ASSERT_EQ(reg32.OpenKeyReadOnly(key), ERROR_SUCCESS);
    std::string where;
    EXPECT_EQ(reg32.ReadString("Where", where), ERROR_SUCCESS);
    EXPECT_EQ(where, "32");
    reg32.CloseKey();
    EXPECT_EQ(reg32.DeleteKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(reg32.KeyExists(key));
}

}  // namespace
