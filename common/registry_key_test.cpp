// CRegistryKey against Wine's real registry, in a scratch key below HKCU that
// the key under test holds open.
#include "registry_key.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

using testing_support::KeyExists;

namespace {

const HKEY kRoot = HKEY_CURRENT_USER;

class RegistryKey : public testing::Test {
protected:
    // The scratch key with a value "v", "kept"; the key under test holds it open.
    void SetUp() override
    {
        SetRaw(L"v", REG_SZ, L"kept", 10);
        ASSERT_EQ(ERROR_SUCCESS, key.Open(kRoot, Path().c_str(), KEY_ALL_ACCESS));
    }
    void TearDown() override { SHDeleteKeyW(kRoot, m_path.c_str()); }
    // The scratch key's path, or that of a key below it.
    std::wstring Path(const wchar_t* below = nullptr) const { return below ? m_path + L"\\" + below : m_path; }
    // Stores a value of any type directly below the scratch key.
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, SHSetValueW(kRoot, m_path.c_str(), name, type, data, bytes));
    }

    const std::wstring m_path = L"Software\\VeltTests\\" + testing_support::UniqueName(L"key");
    CRegistryKey key;
};

} // namespace

// A failed Open keeps the key held; the view bits follow the access mask and
// Create clears them; a reopened key's writes go to the new key, as
// terminated REG_SZ, and a null text is refused; Close releases the handle,
// and closing nothing succeeds.
TEST_F(RegistryKey, OpenCreateWriteAndClose)
{
    const HKEY held = key.Handle();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(kRoot, Path(L"missing").c_str(), KEY_ALL_ACCESS));
    EXPECT_EQ(held, key.Handle());
    WCHAR buffer[16];
    ULONG bytes = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, key.ReadString(L"v", buffer, &bytes));
    EXPECT_STREQ(L"kept", buffer);

    ASSERT_EQ(ERROR_SUCCESS, key.Open(kRoot, Path().c_str(), KEY_READ | KEY_WOW64_64KEY));
    EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_64KEY), key.ViewBits());
    ASSERT_EQ(ERROR_SUCCESS, key.Create(kRoot, Path(L"made").c_str()));
    EXPECT_EQ(0u, key.ViewBits());
    // Writes go to the key made: REG_SZ with its terminator; a null text is refused.
    EXPECT_EQ(ERROR_INVALID_DATA, key.WriteString(L"null", nullptr));
    for (const auto& [name, text] : {std::pair{L"empty", L""}, std::pair{L"name", L"VELT"}}) {
        ASSERT_EQ(ERROR_SUCCESS, key.WriteString(name, text));
        DWORD type = 0, bytes = 0;
        ASSERT_EQ(ERROR_SUCCESS, SHGetValueW(kRoot, Path(L"made").c_str(), name, &type, nullptr, &bytes));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
        EXPECT_EQ((wcslen(text) + 1) * sizeof(WCHAR), bytes) << name;
    }
    EXPECT_EQ(2u, testing_support::ValueNames(kRoot, Path(L"made")).size()) << "the null text was written";
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
    EXPECT_EQ(nullptr, key.Handle());
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
}

// ReadString of each kind of stored value: the result, what the buffer
// holds afterwards (always terminated; empty on every error) and the size
// reported. A string stored without its terminator must never come back
// unterminated: Windows hands the raw bytes over and the validation rejects
// them (ERROR_INVALID_DATA, empty buffer); Wine's registry terminates string
// data itself, so the same value arrives as a proper string (or, when it
// fills the buffer exactly, as ERROR_MORE_DATA). Both readings keep the
// caller safe and are accepted.
TEST_F(RegistryKey, ReadStringGivesATerminatedBufferOrAnErrorForEveryStoredKind)
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
        {"missing", REG_NONE, nullptr, 0, 64, ERROR_FILE_NOT_FOUND, L"", ~0u, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.data)
            SetRaw(L"v", c.type, c.data, c.bytes);
        else
            SHDeleteValueW(kRoot, m_path.c_str(), L"v");
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
        EXPECT_TRUE(c.reported == ~0u || c.reported == bytes) << bytes;
    }
    WCHAR buffer[32];
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key.ReadString(L"v", buffer, nullptr));  // no size argument
}

// DeleteTree removes a key three levels deep with its values and leaves its
// neighbours; for a missing key it returns ERROR_FILE_NOT_FOUND. DeleteKey
// refuses a key with subkeys and deletes a leaf.
TEST_F(RegistryKey, TreesGoWholeAndKeysOnlyAsLeaves)
{
    for (const wchar_t* path : {L"top\\mid\\low", L"top\\mid2", L"neighbour", L"parent\\child"}) {
        CRegistryKey made;
        ASSERT_EQ(ERROR_SUCCESS, made.Create(kRoot, Path(path).c_str()));
        ASSERT_EQ(ERROR_SUCCESS, made.WriteString(L"v", L"x"));
    }
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteTree(L"top"));
    EXPECT_FALSE(KeyExists(kRoot, Path(L"top")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteTree(L"missing"));
    EXPECT_TRUE(KeyExists(kRoot, Path(L"neighbour")));

    EXPECT_NE(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_TRUE(KeyExists(kRoot, Path(L"parent\\child")));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteKey(L"parent"));
    EXPECT_FALSE(KeyExists(kRoot, Path(L"parent")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteKey(L"parent"));
}
