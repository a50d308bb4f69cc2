// The programs' manifests as Windows reads them: an activation context made
// from each program's manifest resource declares every Windows from Vista
// to 11 as supported (without the 8.1 and 10 entries a newer Windows poses
// as Windows 8 to the program), and the rights it asks for: Setup and
// Uninstall the administrator's, the calendar the user's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

// QueryActCtxW's classes of the run level (Vista on) and the compatibility
// information (Windows 7 on).
constexpr ULONG kRunLevelInformation = 5;
constexpr ULONG kCompatibilityInformation = 6;
constexpr ULONG kAsInvoker = 1, kRequireAdministrator = 3;  // ACTCTX_REQUESTED_RUN_LEVEL

} // namespace

TEST(Manifests, DeclareWindowsVistaTo11AndTheirRights)
{
    const GUID supported[] = {
        {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},  // Vista
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},  // 7
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},  // 8
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},  // 8.1
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},  // 10 and 11
    };
    const std::pair<const wchar_t*, ULONG> programs[] = {
        {L"Setup.exe", kRequireAdministrator}, {L"Uninstall.exe", kRequireAdministrator}, {L"VELT电子日历.exe", kAsInvoker}};
    for (const auto& [exe, runLevel] : programs) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(exe)));
        const std::wstring path = testing_support::ModuleDir() + L"\\" + exe;
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = path.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(1);
        const HANDLE context = CreateActCtxW(&request);
        ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();
        // A count and then the elements, each led by its GUID.
        std::vector<unsigned char> compatibility(4096);
        SIZE_T size = 0;
        EXPECT_TRUE(QueryActCtxW(0, context, nullptr, kCompatibilityInformation, compatibility.data(),
                                 compatibility.size(), &size));
        for (const GUID& os : supported) {
            bool found = false;
            for (size_t at = 0; !found && at + sizeof os <= size; ++at)
                found = std::memcmp(compatibility.data() + at, &os, sizeof os) == 0;
            EXPECT_TRUE(found) << std::hex << os.Data1;
        }
        struct {
            ULONG flags, runLevel, uiAccess;
        } rights = {};
        EXPECT_TRUE(QueryActCtxW(0, context, nullptr, kRunLevelInformation, &rights, sizeof rights, nullptr));
        EXPECT_EQ(runLevel, rights.runLevel);
        ReleaseActCtx(context);
    }
}
