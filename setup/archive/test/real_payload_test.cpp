// The real payload archive, embedded in this test program as the payload
// resource when the build has one (skipped otherwise), read by the reader:
// the 83 entries of the entry list (PayloadEntryNames, generated from the
// packer's list) by name, whatever the ANSI code page, with folder and file
// attributes. The archive's own form (name bytes, flags, methods, checksums,
// attributes, bytes against the sources) is payload_form_test.py's; every
// entry extracted at its size is
// EngineTest.InstallsEverythingIntoANewFolderAndRecordsIt's, the attributes
// and times that extraction gives a file (and Chinese folder names extracted
// with either code page) are ZipExtract's; the installed programs byte for
// byte are SetupInstall's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_test_util.h"
#include "payload_entries.h"
#include "payload_resource.h"
#include "test_support.h"

TEST(RealPayload, EveryEntryIsReadAsTheListNamesIt) {
    // The embedded payload; or, when there is none, the file that the
    // variable VELT_PAYLOAD_ZIP names (to check another build's payload by
    // hand).
    const void* embedded = nullptr;
    DWORD size = 0;
    std::string file;
    FindPayload(GetModuleHandleW(nullptr), &embedded, &size);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"VELT_PAYLOAD_ZIP", path, MAX_PATH);
    if (embedded == nullptr && length > 0 && length < MAX_PATH && testing_support::ReadBytes(path, &file)) {
        embedded = file.data();
        size = static_cast<DWORD>(file.size());
    }
    if (embedded == nullptr || size == 0) GTEST_SKIP() << "this build has no payload archive (target velt_payload)";
    ZipArchivePtr archive(ZipArchiveOpen(embedded, size));
    ASSERT_TRUE(archive != nullptr);
    ZipItem item;
    ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), -1, &item));
    const std::vector<std::wstring>& names = PayloadEntryNames();
    ASSERT_EQ(83u, names.size());
    ASSERT_EQ(83, item.index);
    for (int i = 0; i < 83; ++i) {
        const std::wstring& name = names[static_cast<size_t>(i)];
        ASSERT_EQ(kZipOk, ZipArchiveGetItem(archive.get(), i, &item)) << i;
        EXPECT_EQ(name, item.name) << i;
        EXPECT_EQ(name.back() == L'/' ? 0x10u : 0x20u, item.attributes) << i;
    }
}
