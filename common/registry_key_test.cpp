// CRegistryKey against Wine's real registry, in a scratch key below HKCU.
#include "registry_key.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testing_support::KeyExists;
using testing_support::ScratchKey;

namespace {

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
}

// Creates `path` (and the keys above it) below the scratch key, with a value.
void MakeKey(const ScratchKey& scratch, const wchar_t* path)
{
    HKEY made = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(scratch.Handle(), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made,
                                             nullptr));
    SetRaw(made, L"v", REG_SZ, L"x", 4);
    RegCloseKey(made);
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
    MakeKey(scratch, L"a");
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

// ReadString of each kind of stored value: the result, what the buffer
// holds afterwards (always terminated; empty on every error) and the size
// reported. A string stored without its terminator must never come back
// unterminated: Windows hands the raw bytes over and the validation rejects
// them (ERROR_INVALID_DATA, empty buffer); Wine's registry terminates string
// data itself, so the same value arrives as a proper string (or, when it
// fills the buffer exactly, as ERROR_MORE_DATA). Both readings keep the
// caller safe and are accepted.
TEST(RegistryKeyReadString, EveryStoredKindGivesATerminatedBufferOrAnError)
{
    const wchar_t multi[] = L"a\0b\0";
    const std::wstring full(32, L'x');  // 64 bytes, exactly the buffer, no terminator
    const DWORD dword = 0x00410041;
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD bytes;        // stored
        ULONG bufferBytes;  // offered
        LONG rc;
        const wchar_t* text;  // the buffer afterwards
        ULONG reported;       // *bytes afterwards; ~0u: not checked
        LONG otherRc;         // the other platform's reading (0: none)
        const wchar_t* otherText;
    };
    const Case cases[] = {
        {"terminated", REG_SZ, L"VELT电子日历", 18, 64, ERROR_SUCCESS, L"VELT电子日历", 18, 0, nullptr},
        {"expand", REG_EXPAND_SZ, L"%TEMP%", 14, 64, ERROR_SUCCESS, L"%TEMP%", ~0u, 0, nullptr},
        {"multi: its first string", REG_MULTI_SZ, multi, sizeof(multi), 64, ERROR_SUCCESS, L"a", ~0u, 0, nullptr},
        {"multi without its double terminator", REG_MULTI_SZ, L"ab", 6, 64, ERROR_INVALID_DATA, L"", ~0u, 0, nullptr},
        {"dword", REG_DWORD, &dword, 4, 64, ERROR_INVALID_DATA, L"", ~0u, 0, nullptr},
        {"binary", REG_BINARY, L"text", 10, 64, ERROR_INVALID_DATA, L"", ~0u, 0, nullptr},
        {"none", REG_NONE, L"text", 10, 64, ERROR_INVALID_DATA, L"", ~0u, 0, nullptr},
        {"odd byte count", REG_SZ, L"ab", 5, 64, ERROR_INVALID_DATA, L"", ~0u, 0, nullptr},
        {"empty", REG_SZ, L"", 0, 64, ERROR_SUCCESS, L"", 0, 0, nullptr},
        {"too small a buffer", REG_SZ, L"0123456789", 22, 8, ERROR_MORE_DATA, L"", 22, 0, nullptr},
        {"no terminator", REG_SZ, L"abcd", 8, 64, ERROR_INVALID_DATA, L"", ~0u, ERROR_SUCCESS, L"abcd"},
        {"no terminator, filling the buffer", REG_SZ, full.data(), 64, 64, ERROR_INVALID_DATA, L"", ~0u,
         ERROR_MORE_DATA, L""},
    };
    ScratchKey scratch;
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRaw(scratch.Handle(), L"v", c.type, c.data, c.bytes);
        WCHAR buffer[32];
        std::memset(buffer, 0x41, sizeof(buffer));  // 'AA' garbage, never zero
        ULONG bytes = c.bufferBytes;
        const LONG rc = key.ReadString(L"v", buffer, &bytes);
        if (c.otherText && rc == c.otherRc) {
            EXPECT_STREQ(c.otherText, buffer);
            continue;
        }
        EXPECT_EQ(c.rc, rc);
        EXPECT_STREQ(c.text, buffer);
        if (c.reported != ~0u) {
            EXPECT_EQ(c.reported, bytes);
        }
    }
    // A missing value; a missing size argument.
    WCHAR buffer[32];
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.ReadString(L"nothing", buffer, &bytes));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key.ReadString(L"x", buffer, nullptr));
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

// DeleteTree removes a key three levels deep with its values and leaves its
// neighbours; for a missing key it returns ERROR_FILE_NOT_FOUND. DeleteKey
// refuses a key with subkeys and deletes a leaf.
TEST(RegistryKeyDelete, TreesGoWholeAndKeysOnlyAsLeaves)
{
    ScratchKey scratch;
    for (const wchar_t* path : {L"top\\mid\\low", L"top\\mid2", L"neighbour", L"parent\\child"})
        MakeKey(scratch, path);
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteTree(L"top"));
    EXPECT_FALSE(KeyExists(scratch.Root(), scratch.Path() + L"\\top"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteTree(L"missing"));
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\neighbour"));

    EXPECT_NE(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_TRUE(KeyExists(scratch.Root(), scratch.Path() + L"\\parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_FALSE(KeyExists(scratch.Root(), scratch.Path() + L"\\parent"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteKey(L"parent"));
}
