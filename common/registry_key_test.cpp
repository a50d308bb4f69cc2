// CRegistryKey against Wine's real registry, in a scratch key below HKCU.
#include "registry_key.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testing_support::ScratchKey;

namespace {

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

TEST(RegistryKeyOpen, MissingKeyKeepsTheHeldHandleUsable)
{
    ScratchKey scratch;
    SetRaw(scratch.Handle(), L"v", REG_SZ, L"kept", 10);
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    HKEY held = key.Handle();

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(scratch.Root(), (scratch.Path() + L"\\missing").c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(held, key.Handle());

    WCHAR buffer[16];
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"v", buffer, &bytes));
    EXPECT_STREQ(L"kept", buffer);
}

TEST(RegistryKeyOpen, ViewBitsFollowTheAccessMaskAndCreateClearsThem)
{
    ScratchKey scratch;
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_READ | KEY_WOW64_64KEY));
    EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), key.ViewBits());
    ASSERT_EQ(ERROR_SUCCESS, key.Create(scratch.Root(), (scratch.Path() + L"\\made").c_str()));
    EXPECT_EQ(0u, key.ViewBits());
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\made"));
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
    EXPECT_EQ(nullptr, key.Handle());
    EXPECT_EQ(ERROR_SUCCESS, key.Close()); // nothing open: 0
}

TEST(RegistryKeyOpen, ReopeningReplacesTheHandleAndDestructionClosesIt)
{
    ScratchKey scratch;
    HKEY made = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made,
                                             nullptr));
    RegCloseKey(made);
    {
        CRegistryKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
        ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), (scratch.Path() + L"\\a").c_str(), KEY_ALL_ACCESS));
        ASSERT_EQ(ERROR_SUCCESS, key.WriteString(L"in-a", L"x"));
    }
    HKEY a = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(scratch.Handle(), L"a", 0, KEY_READ, &a));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(a, L"in-a", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(a);
}

class RegistryKeyReadString : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
        std::memset(buffer, 0x41, sizeof(buffer)); // 'AA' garbage, never zero
    }
    ScratchKey scratch;
    CRegistryKey key;
    WCHAR buffer[32];
};

TEST_F(RegistryKeyReadString, ReadsATerminatedString)
{
    SetRaw(scratch.Handle(), L"s", REG_SZ, L"VELT电子日历", 18);
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"s", buffer, &bytes));
    EXPECT_STREQ(L"VELT电子日历", buffer);
    EXPECT_EQ(18u, bytes);
}

TEST_F(RegistryKeyReadString, ExpandAndMultiStringsAreAccepted)
{
    SetRaw(scratch.Handle(), L"e", REG_EXPAND_SZ, L"%TEMP%", 14);
    const wchar_t multi[] = L"a\0b\0";
    SetRaw(scratch.Handle(), L"m", REG_MULTI_SZ, multi, sizeof(multi));
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"e", buffer, &bytes));
    EXPECT_STREQ(L"%TEMP%", buffer);
    bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"m", buffer, &bytes));
    EXPECT_STREQ(L"a", buffer);
}

TEST_F(RegistryKeyReadString, MultiStringWithoutItsDoubleTerminatorIsInvalid)
{
    SetRaw(scratch.Handle(), L"m", REG_MULTI_SZ, L"ab", 6); // "ab\0": one zero only
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_INVALID_DATA, key.ReadString(L"m", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(RegistryKeyReadString, DwordIsInvalidDataWithAnEmptyBuffer)
{
    DWORD value = 0x00410041;
    SetRaw(scratch.Handle(), L"d", REG_DWORD, &value, sizeof(value));
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_INVALID_DATA, key.ReadString(L"d", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(RegistryKeyReadString, BinaryAndNoneAreInvalid)
{
    const wchar_t text[] = L"text";
    SetRaw(scratch.Handle(), L"b", REG_BINARY, text, sizeof(text));
    SetRaw(scratch.Handle(), L"n", REG_NONE, text, sizeof(text));
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_INVALID_DATA, key.ReadString(L"b", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
    bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_INVALID_DATA, key.ReadString(L"n", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(RegistryKeyReadString, OddByteCountIsInvalid)
{
    SetRaw(scratch.Handle(), L"odd", REG_SZ, L"ab", 5);
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_INVALID_DATA, key.ReadString(L"odd", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
}

// A string stored without its terminator must never come back unterminated.
// Windows hands the raw bytes over and the validation rejects them (13, empty
// buffer); Wine's registry terminates string data itself, so the same value
// arrives as a proper string. Both keep the caller safe.
TEST_F(RegistryKeyReadString, StringWithoutTerminatorNeverComesBackUnterminated)
{
    SetRaw(scratch.Handle(), L"raw", REG_SZ, L"abcd", 8); // four characters, no zero
    ULONG bytes = sizeof(buffer);
    const LONG rc = key.ReadString(L"raw", buffer, &bytes);
    if (rc == ERROR_SUCCESS) {
        EXPECT_STREQ(L"abcd", buffer);
    } else {
        EXPECT_EQ(ERROR_INVALID_DATA, rc);
        EXPECT_EQ(L'\0', buffer[0]);
    }
}

TEST_F(RegistryKeyReadString, UnterminatedStringThatFillsTheBufferExactlyIsRejected)
{
    std::wstring full(32, L'x'); // 64 bytes, exactly the buffer, no terminator
    SetRaw(scratch.Handle(), L"full", REG_SZ, full.data(), 64);
    ULONG bytes = sizeof(buffer);
    const LONG rc = key.ReadString(L"full", buffer, &bytes);
    // Windows: the raw bytes fail validation; Wine: no room for the terminator it adds.
    EXPECT_TRUE(rc == ERROR_INVALID_DATA || rc == ERROR_MORE_DATA) << rc;
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(RegistryKeyReadString, EmptyValueIsSuccessWithAnEmptyBuffer)
{
    SetRaw(scratch.Handle(), L"empty", REG_SZ, L"", 0);
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"empty", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(0u, bytes);
}

TEST_F(RegistryKeyReadString, TooSmallBufferIsMoreDataWithAnEmptyBuffer)
{
    SetRaw(scratch.Handle(), L"long", REG_SZ, L"0123456789", 22);
    ULONG bytes = 8; // four characters
    EXPECT_EQ(ERROR_MORE_DATA, key.ReadString(L"long", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(22u, bytes);
}

TEST_F(RegistryKeyReadString, MissingValueIsFileNotFoundWithAnEmptyBuffer)
{
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.ReadString(L"nothing", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(RegistryKeyReadString, MissingSizeArgumentThrows)
{
    try {
        key.ReadString(L"x", buffer, nullptr);
        FAIL() << "no exception";
    } catch (const CAtlException& e) {
        EXPECT_EQ(E_FAIL, e.m_hr);
    }
}

TEST(RegistryKeyWriteString, WritesTerminatedRegSzAndRejectsNull)
{
    ScratchKey scratch;
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(ERROR_INVALID_DATA, key.WriteString(L"null", nullptr));
    EXPECT_NE(ERROR_SUCCESS, RegQueryValueExW(scratch.Handle(), L"null", nullptr, nullptr, nullptr, nullptr));

    ASSERT_EQ(ERROR_SUCCESS, key.WriteString(L"empty", L""));
    DWORD type = 0, bytes = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(scratch.Handle(), L"empty", nullptr, &type, nullptr, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(2u, bytes);

    ASSERT_EQ(ERROR_SUCCESS, key.WriteString(L"name", L"VELT"));
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(scratch.Handle(), L"name", nullptr, &type, nullptr, &bytes));
    EXPECT_EQ(10u, bytes);
}

TEST(RegistryKeyDelete, DeleteTreeRemovesThreeLevelsAndTheKeyItself)
{
    ScratchKey scratch;
    HKEY leaf = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"top\\mid\\low", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &leaf, nullptr));
    SetRaw(leaf, L"v", REG_SZ, L"x", 4);
    RegCloseKey(leaf);
    HKEY sibling = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"top\\mid2", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &sibling, nullptr));
    RegCloseKey(sibling);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"neighbour", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &sibling, nullptr));
    RegCloseKey(sibling);

    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteTree(L"top"));
    EXPECT_FALSE(KeyExists(scratch.Root(), scratch.Path() + L"\\top"));
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\neighbour"));
}

TEST(RegistryKeyDelete, DeleteTreeOfAMissingKeyReturnsNotFoundAndChangesNothing)
{
    ScratchKey scratch;
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"stay", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                                             nullptr));
    RegCloseKey(sub);
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteTree(L"missing"));
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\stay"));
}

TEST(RegistryKeyDelete, DeleteKeyRefusesAKeyWithSubKeysAndDeletesALeaf)
{
    ScratchKey scratch;
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), L"parent\\child", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &sub, nullptr));
    RegCloseKey(sub);
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    EXPECT_NE(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_FALSE(KeyExists(scratch.Root(), scratch.Path() + L"\\parent"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteKey(L"parent"));
}
