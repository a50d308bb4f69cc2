// RunRemoval apart from any window, on a fake installation laid out as Setup
// leaves it, against Wine's real registry, file system and shell folders:
// which root it works on, what goes from the folder, the shortcuts, the
// autostart value and the record, and the bar's three steps. What the
// windows add (the pages, quitting during the removal, Uninstall's own
// folder after it has ended) is checked end to end in uninstall_test.cpp.
#include "removal_worker.h"

#include "delayed_removal.h"
#include "fake_installation.h"
#include "install_record.h"
#include "registry_key.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class BarHooks : public WorkerHooks {
public:
    explicit BarHooks(bool hasBar = true) : m_hasBar(hasBar) {}
    int BarMaxWidth() override { return m_hasBar ? 474 : -1; }
    void SetBarWidth(int width) override { widths.push_back(width); }
    bool PassCheckpoint(Checkpoint, int) override { return false; }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }
    std::vector<int> widths;
    std::vector<std::wstring> errors;

private:
    bool m_hasBar;
};

bool AllShortcutsGone(int allUsers)
{
    const ShortcutPaths links = ComposeShortcutPaths(allUsers);
    return !Exists(links.programsProduct) && !Exists(links.programsGroup) && !Exists(links.desktopLink) &&
           !Exists(links.quickLaunchLink);
}

} // namespace

// Where the record is decides the root, and the location read decides what
// goes from the folder: the whole folder when the installation made it, the
// payload's (or the manifest's) names when it was the user's, nothing
// without a location. The shortcuts, the autostart value and the record go
// under the root worked on; the bar reads 158, 316, 474 whatever happened.
TEST(RemovalEngine, RemovesWhatTheRecordAndTheManifestSay)
{
    HoldExitLockUntilExit();  // the delayed removals wait for this program's end
    struct Case {
        const char* name;
        int recordRoot;          // 1, 0, or -1 for none
        bool machineWithoutLocation;
        Manifest manifest;
        int jobAllUsers;
        int workedOn;            // the outcome's root
        RemovalScope scope;
    };
    const Case cases[] = {
        {"machine record, created folder", 1, false, Manifest::CreatedDirectory, 1, 1, RemovalScope::WholeDirectory},
        {"user record, created folder", 0, false, Manifest::CreatedDirectory, 0, 0, RemovalScope::WholeDirectory},
        {"machine record without location", 0, true, Manifest::CreatedDirectory, 1, 0, RemovalScope::WholeDirectory},
        {"user's folder with a manifest", 1, false, Manifest::PreexistingDirectory, 1, 1, RemovalScope::ListedEntries},
        {"user's folder without manifest", 1, false, Manifest::None, 1, 1, RemovalScope::PayloadEntries},
        {"user's folder, damaged manifest", 1, false, Manifest::Damaged, 1, 1, RemovalScope::PayloadEntries},
        {"no record", -1, false, Manifest::CreatedDirectory, 1, 1, RemovalScope::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallOptions options;
        options.recordRoot = c.recordRoot;
        options.manifest = c.manifest;
        options.userFiles = {{L"letters\\2024.txt", "dear diary"}, {L"res\\image\\mine.png", "my picture"}};
        FakeInstallation install(options);
        ASSERT_TRUE(install.Ok());
        if (c.machineWithoutLocation) {
            CRegistryKey machine;
            ASSERT_EQ(ERROR_SUCCESS, machine.Create(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kProductKey).c_str()));
            machine.WriteString(kValueDisplayName, kDisplayName);
        }
        BarHooks hooks;
        const RemovalOutcome outcome = RunRemoval({c.jobAllUsers, kProductKey}, hooks);

        EXPECT_EQ(c.workedOn, outcome.allUsers);
        EXPECT_EQ(c.scope, outcome.scope);
        EXPECT_EQ(hooks.widths, (std::vector<int>{158, 316, 474}));
        EXPECT_TRUE(hooks.errors.empty());
        EXPECT_TRUE(AllShortcutsGone(c.workedOn));
        EXPECT_FALSE(RecordExists(RecordRoot(c.workedOn)));
        EXPECT_EQ(AutostartValue(RecordRoot(c.workedOn)), L"<none>");
        EXPECT_EQ(RecordExists(HKEY_LOCAL_MACHINE), c.machineWithoutLocation);
        const bool removed = c.scope != RemovalScope::Nothing;
        EXPECT_EQ(outcome.installDir, removed ? install.Dir() : L"");
        EXPECT_EQ(Exists(install.Dir()), c.scope != RemovalScope::WholeDirectory);
        EXPECT_EQ(Exists(install.Dir() + L"\\res\\profile.xml"), !removed);
        EXPECT_EQ(Exists(install.Dir() + L"\\Uninstall.exe"), !removed);
        if (Exists(install.Dir())) {
            EXPECT_EQ(FileContent(install.Dir() + L"\\letters\\2024.txt"), "dear diary");
            EXPECT_EQ(FileContent(install.Dir() + L"\\res\\image\\mine.png"), "my picture");
        }
    }
}

// A page without a bar: the removal runs all the same and moves no bar.
TEST(RemovalEngine, WithoutABarNothingIsMoved)
{
    InstallOptions options;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    BarHooks hooks(false);
    EXPECT_EQ(RunRemoval({1, kProductKey}, hooks).scope, RemovalScope::WholeDirectory);
    EXPECT_TRUE(hooks.widths.empty());
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
}
