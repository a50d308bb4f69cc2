// The check for another account at the shell (shell_user.h). Under Wine the
// shell's user is always this process's, so apart from the real shell the
// shell's user is named through the test hook: this process's own SID, other
// accounts (found and named by their account name), and a text that is no SID.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "shell_user.h"

namespace {

std::wstring OwnSidText()
{
    HANDLE token = nullptr;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    LPWSTR text = nullptr;
    std::wstring result;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
        GetTokenInformation(token, TokenUser, &buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidW(buffer.user.User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    if (token) CloseHandle(token);
    return result;
}

} // namespace

TEST(ShellUser, AnotherAccountAtTheShellIsFoundAndNamed)
{
    const std::wstring own = OwnSidText();
    ASSERT_FALSE(own.empty());
    const struct {
        const wchar_t* sid;  // null: the real shell
        bool other;
        const wchar_t* name;
    } cases[] = {
        {nullptr, false, L""},
        {own.c_str(), false, L""},
        {L"S-1-5-18", true, L"SYSTEM"},
        {L"S-1-5-20", true, L"NETWORK SERVICE"},
        {L"no SID", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sid ? c.sid : L"the shell");
        SetShellUserForTests(c.sid);
        std::wstring name = L"untouched";
        EXPECT_EQ(c.other, FindOtherShellUser(&name));
        EXPECT_EQ(c.other ? c.name : L"untouched", name);
    }
    SetShellUserForTests(nullptr);
}
