// RunRemoval apart from any window, on a fake installation laid out as Setup
// leaves it, against Wine's real registry, file system and shell folders:
// which root it works on, what goes from the folder (a folder of the user's
// and the desktop included), the shortcuts (another product's in the shared
// programs group stay), the autostart value and the record, the bar's three
// steps and the checkpoint before them, and files that another program holds open. What the windows add
// (the pages, Uninstall's own folder after it has ended) is checked end to
// end in uninstall_test.cpp.
#include "removal_worker.h"

#include "delayed_removal.h"
#include "fake_installation.h"
#include "file_handle.h"
#include "install_record.h"
#include "test_support.h"
#include "wait_until.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <tuple>

using namespace testing_support;

namespace {

// The progress page's side: a bar `maxWidth` wide (-1: none). Every
// checkpoint says "stop", which a removal does not ask.
struct BarHooks : WorkerHooks {
    explicit BarHooks(int max) : maxWidth(max) {}
    int BarMaxWidth() override { return maxWidth; }
    void SetBarWidth(int width) override { widths.push_back(width); }
    bool PassCheckpoint(Checkpoint at, int entry) override
    {
        checkpoints.push_back({at, entry, widths.size()});
        return true;
    }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }
    const int maxWidth;
    std::vector<int> widths;
    std::vector<std::tuple<Checkpoint, int, size_t>> checkpoints;  // and how many widths came before
    std::vector<std::wstring> errors;
};

} // namespace

// Where the record is decides the root, and the location read decides what
// goes from the folder: the whole folder when the installation made it, the
// payload's (or the manifest's) names when it was the user's or is the
// desktop (even with a manifest that claims it), nothing without a location.
// The shortcuts, the autostart value and the record go under the root worked
// on; the bar reads 158, 316, 474 whatever happened, after the one
// checkpoint (whose "stop" goes unheeded), and a page without a bar gets no
// width; the process and the thread end at the priorities they
// had. A record of the current user's whose location an
// elevated program may not trust removes no file.
TEST(RemovalEngine, RemovesWhatTheRecordAndTheManifestSay)
{
    HoldExitLockUntilExit();  // the delayed removals wait for this program's end
    const std::wstring desktop = ShellPath(CSIDL_DESKTOPDIRECTORY);
    struct Case {
        const char* name;
        int recordRoot;  // 1, 0, or -1 for none
        bool machineWithoutLocation, intoDesktop, hasBar, sharedGroup;  // another product's link in the group
        Manifest manifest;
        int jobAllUsers, workedOn;  // where the record was found; the outcome's root
        RemovalScope scope;
    };
    using enum Manifest;
    using enum RemovalScope;
    const Case cases[] = {
        {"machine record, created folder", 1, false, false, true, false, CreatedDirectory, 1, 1, WholeDirectory},
        {"no bar, a shared programs group", 1, false, false, false, true, CreatedDirectory, 1, 1, WholeDirectory},
        {"user record, created folder", 0, false, false, true, false, CreatedDirectory, 0, 0, WholeDirectory},
        {"machine record without location", 0, true, false, true, false, CreatedDirectory, 1, 0, WholeDirectory},
        {"user's folder with a manifest", 1, false, false, true, false, PreexistingDirectory, 1, 1, ListedEntries},
        {"user's folder without manifest", 1, false, false, true, false, None, 1, 1, PayloadEntries},
        {"user's folder, damaged manifest", 1, false, false, true, false, Damaged, 1, 1, PayloadEntries},
        {"desktop without manifest", 1, false, true, true, false, None, 1, 1, PayloadEntries},
        {"desktop claimed as created", 1, false, true, true, false, CreatedDirectory, 1, 1, ListedEntries},
        {"no record", -1, false, false, true, false, CreatedDirectory, 1, 1, Nothing},
        // This program is elevated (Wine's token): a location of the current
        // user's that is not trusted (record_trust.h) is no location.
        {"user record not trusted", 0, false, false, true, false, Damaged, 0, 0, Nothing},
        {"machine record without location, user's not trusted", 0, true, false, true, false, Damaged, 1, 1, Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallOptions options;
        options.recordRoot = c.recordRoot;
        options.manifest = c.manifest;
        options.userFiles = {{L"VeltTest-letter.txt", "dear diary"}};
        if (c.intoDesktop)
            options.intoFolder = desktop;
        else
            options.userFiles.insert(options.userFiles.end(), {{L"big.bin", std::string(100000, 'q')},
                                                               {L"res\\image\\mine.png", "my picture"}});
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        ASSERT_TRUE(!c.machineWithoutLocation || SetRegString(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey),
                                                              kValueDisplayName, kDisplayName));
        const ShortcutPaths links = ComposeShortcutPaths(c.workedOn);
        const std::wstring other = links.programsGroup + L"\\Other Product\\Other.lnk";
        ASSERT_TRUE(!c.sharedGroup || (MakeDirs(other.substr(0, other.rfind(L'\\'))) && WriteBytes(other, "other")));
        BarHooks hooks(c.hasBar ? 474 : -1);
        const auto priorities = [] {
            return std::pair(GetPriorityClass(GetCurrentProcess()), GetThreadPriority(GetCurrentThread()));
        };
        const auto before = priorities();
        const RemovalOutcome outcome = RunRemoval({c.jobAllUsers, kProductKey}, hooks);
        EXPECT_EQ(before, priorities()) << "the priorities are not given back";

        EXPECT_EQ(c.workedOn, outcome.allUsers);
        EXPECT_EQ(c.scope, outcome.scope);
        EXPECT_EQ(hooks.widths, (c.hasBar ? std::vector<int>{158, 316, 474} : std::vector<int>{}));
        EXPECT_EQ(hooks.checkpoints, (std::vector<std::tuple<Checkpoint, int, size_t>>{{Checkpoint::BeforeRemoval, -1, 0}}));
        EXPECT_TRUE(hooks.errors.empty());
        for (const std::wstring& link : {links.programsProduct, links.desktopLink, links.quickLaunchLink})
            EXPECT_FALSE(Exists(link)) << link;
        EXPECT_EQ(Exists(links.programsGroup), c.sharedGroup);
        EXPECT_EQ(FileContent(other), c.sharedGroup ? "other" : "<missing>");
        EXPECT_FALSE(RecordExists(RecordRoot(c.workedOn)));
        EXPECT_EQ(AutostartValue(RecordRoot(c.workedOn)), L"<none>");
        EXPECT_EQ(RecordExists(HKEY_LOCAL_MACHINE), c.machineWithoutLocation && c.workedOn == 0);
        const bool removed = c.scope != RemovalScope::Nothing;
        EXPECT_EQ(outcome.installDir, removed ? install.Dir() : L"");
        EXPECT_EQ(Exists(install.Dir()), c.scope != RemovalScope::WholeDirectory);
        // The payload's names go, and the manifest.
        for (const wchar_t* name :
             {L"res\\profile.xml", L"res\\image\\weather", L"Uninstall.exe", L"VELT电子日历.exe", L"VELTInstall.lst"})
            EXPECT_EQ(Exists(install.Dir() + L"\\" + name), !removed) << name;
        for (const auto& [name, bytes] : options.userFiles)
            EXPECT_EQ(FileContent(install.Dir() + L"\\" + name), Exists(install.Dir()) ? bytes : "<missing>");
    }
}

// Files another program holds open without sharing deletion (an editor, a
// scanner, a thumbnail viewer) stay through the removal's tries; they are
// named, in name order, for the completion page's line and handed to the
// delayed removal, which takes them once they are free and this program's
// exit lock has gone, from a folder the installation made (with the folder)
// as from the user's own. The removal never waits long for them.
TEST(RemovalEngine, FilesHeldOpenAreLeftForTheDelayedRemovalAndNamed)
{
    const std::wstring kLine = L"以下文件正在使用，将在稍后删除：";
    const struct {
        const char* name;
        Manifest manifest;
        std::vector<std::wstring> held;  // relative to the installation
        std::wstring line;
    } cases[] = {
        {"created folder", Manifest::CreatedDirectory,
         {L"VELT电子日历.exe", L"res\\image\\weather\\d1.png", L"res\\image\\face\\默认\\bk.png"},
         kLine + L"res\\image\\face\\默认\\bk.png 等 3 个文件"},
        {"user's folder", Manifest::PreexistingDirectory, {L"res\\image\\weather\\d0.gif"},
         kLine + L"res\\image\\weather\\d0.gif"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallOptions options;
        options.manifest = c.manifest;
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        auto lock = std::make_unique<ExitLock>();
        ASSERT_TRUE(lock->Acquire());
        std::vector<std::unique_ptr<FileHandle>> handles;
        std::vector<std::wstring> held;
        for (const std::wstring& name : c.held) {
            held.push_back(install.Dir() + L"\\" + name);
            handles.push_back(std::make_unique<FileHandle>(CreateFileW(
                held.back().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
            ASSERT_TRUE(handles.back()->Valid()) << testing::PrintToString(name);
        }
        BarHooks hooks(474);
        const DWORD start = GetTickCount();
        const RemovalOutcome outcome = RunRemoval({1, kProductKey}, hooks);
        EXPECT_LT(GetTickCount() - start, 15000u);
        std::sort(held.begin(), held.end(),
                  [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
        EXPECT_EQ(outcome.leftForLater, held);
        EXPECT_EQ(LeftForLaterLine(outcome), c.line);
        for (const std::wstring& file : held)
            EXPECT_TRUE(Exists(file)) << testing::PrintToString(file);
        EXPECT_FALSE(Exists(install.Dir() + L"\\res\\profile.xml"));
        handles.clear();
        lock.reset();
        for (const std::wstring& file : held)
            EXPECT_TRUE(WaitUntil([&] { return !Exists(file); }, 30000)) << testing::PrintToString(file);
        EXPECT_TRUE(c.manifest != Manifest::CreatedDirectory || WaitUntil([&] { return !Exists(install.Dir()); }, 30000));
    }
}
