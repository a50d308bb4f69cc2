// Setup and Uninstall without windows (/S), as an administrator's script
// runs them: the real programs beside the test program, their exit codes,
// what they changed and their logs (/LOG=), and that no window of theirs
// was visible at any moment (polled while they run).
//
// An installation for all users with the defaults and one for the current
// user with every option (the calendar started at the end: Wine told to
// report Windows XP, where the shell starts it); each then refused as a second fresh run, repaired
// (a deleted file comes back) and removed by its installed Uninstall.exe.
// Every exit code from the situation that calls for it: a bad command line,
// the calendar running, a damaged Setup, a file that cannot be written, a
// bad folder, no record, a folder or a log file reached through a link, only
// me asked while elevated for another account (the test program's hook), and
// the end of the Windows session in the middle of an installation (rolled
// back).
#include <gtest/gtest.h>

#include "exit_code.h"
#include "clean_machine_fixture.h"
#include "fake_installation.h"
#include "plant_link.h"
#include "product.h"
#include "running_app.h"
#include "shell_user_hook.h"
#include "test_support.h"
#include "wait_until.h"
#include "wizard_driver.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <functional>
#include <sstream>

using namespace testing_support;

namespace {

struct SilentRun {
    int code = -1;
    int windowsSeen = 0;  // visible top-level windows of the process, counted while it ran
};

// Runs `exe args` to its end (at most two minutes), looking for its windows
// every few milliseconds; `during` (when given) is called once with the
// process id while it runs.
SilentRun RunSilent(const std::wstring& exe, const std::wstring& args, const std::function<void(DWORD)>& during = {})
{
    SilentRun run;
    ChildProcess process;
    if (!process.Start(exe, args))
        return run;
    if (during)
        during(process.Id());
    const DWORD start = GetTickCount();
    while (!process.WaitExit(5) && GetTickCount() - start < 120000)
        run.windowsSeen += static_cast<int>(VisibleWindowsOf(process.Id()).size());
    run.code = process.ExitCode();
    return run;
}

std::wstring Bin(const wchar_t* name)
{
    return ModuleDir() + L"\\" + name;
}

// The log's lines without their times; empty when it cannot be read or is no
// UTF-8 text with a byte order mark.
std::vector<std::wstring> LogLines(const std::wstring& path)
{
    std::string bytes;
    std::vector<std::wstring> lines;
    if (!ReadBytes(path, &bytes) || bytes.compare(0, 3, "\xEF\xBB\xBF") != 0)
        return lines;
    std::istringstream in(bytes.substr(3));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t text = line.find("  ");  // "yyyy-mm-dd hh:mm:ss.mmm  text"
        if (line.size() < 25 || text != 23)
            return {};
        lines.push_back(FromUtf8(line.substr(25)));
    }
    return lines;
}

// The texts after `prefix` of the lines that start with it.
std::vector<std::wstring> After(const std::vector<std::wstring>& lines, const std::wstring& prefix)
{
    std::vector<std::wstring> found;
    for (const std::wstring& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line.substr(prefix.size()));
    }
    return found;
}

class Silent : public CleanMachineTest {
protected:
    ScratchDir m_scratch{L"silent"};
};

} // namespace

TEST_F(Silent, InstallsRepairsAndRemovesForAllUsersAndForOneUser)
{
    const struct {
        const wchar_t* options;
        std::wstring dir;  // empty: the default folder
        int allUsers;
        bool desktop, quickLaunch;
        bool run;  // /RUN, with Windows XP reported so that the shell starts the calendar
    } rows[] = {{L"", L"", 1, true, true, false},
                {L"/CURRENTUSER /NODESKTOP /NOQUICKLAUNCH /RUN", m_scratch / L"My Apps\\VELT 日历", 0, false, false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.allUsers ? "all users" : "one user");
        CleanMachine();
        const std::wstring dir = row.dir.empty() ? DefaultInstallDir() : row.dir;
        const std::wstring log = m_scratch / (L"install" + std::to_wstring(row.allUsers) + L".log");
        std::wstring args = std::wstring(L"/S ") + row.options + L" /LOG=\"" + log + L"\"";
        if (!row.dir.empty())
            args += L" /D=" + row.dir;
        const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\Setup.exe";
        ASSERT_TRUE(!row.run || SetRegString(HKEY_CURRENT_USER, appDefaults, L"Version", L"winxp64"));
        const SilentRun install = RunSilent(Bin(L"Setup.exe"), args);
        SHDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());
        EXPECT_EQ(install.code, kExitDone);
        EXPECT_EQ(install.windowsSeen, 0);
        DWORD calendar = 0;
        EXPECT_EQ(WaitUntil([&] { return (calendar = FindRunningApp()) != 0; }, row.run ? 30000 : 1500), row.run);
        EXPECT_TRUE(!calendar || lstrcmpiW(EndProcess(calendar).c_str(), AppExePath(dir).c_str()) == 0);

        // What the wizard's defaults, or the options, make.
        const HKEY root = RecordRoot(row.allUsers);
        EXPECT_EQ(RecordString(root, kValueInstallLocation), dir);
        EXPECT_FALSE(RecordExists(RecordRoot(!row.allUsers)));
        const ShortcutPaths links = ComposeShortcutPaths(row.allUsers);
        EXPECT_TRUE(Exists(links.appLink));
        EXPECT_EQ(Exists(links.desktopLink), row.desktop);
        EXPECT_EQ(Exists(links.quickLaunchLink), row.quickLaunch);
        EXPECT_EQ(AutostartValue(root), AutostartCommand(dir));

        // The log names each file written, each shortcut, the record and the
        // value, and nothing that is not there.
        const std::vector<std::wstring> lines = LogLines(log);
        ASSERT_FALSE(lines.empty()) << "no log";
        std::vector<std::wstring> files;
        for (const std::wstring& file : Tree(dir)) {
            if (!(GetFileAttributesW((dir + L"\\" + file).c_str()) & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(file);
        }
        std::vector<std::wstring> logged = After(lines, L"写入文件：");
        for (std::wstring& name : logged)
            std::replace(name.begin(), name.end(), L'/', L'\\');
        std::sort(logged.begin(), logged.end());
        EXPECT_EQ(logged, files);
        std::vector<std::wstring> made = {links.appLink, links.uninstallLink};
        if (row.desktop)
            made.push_back(links.desktopLink);
        if (row.quickLaunch)
            made.push_back(links.quickLaunchLink);
        std::vector<std::wstring> linked = After(lines, L"创建快捷方式：");
        std::sort(made.begin(), made.end());
        std::sort(linked.begin(), linked.end());
        EXPECT_EQ(linked, made);
        EXPECT_EQ(After(lines, L"写入安装记录：").size(), 1u);
        EXPECT_EQ(After(lines, L"写入开机启动值："), std::vector<std::wstring>{AutostartCommand(dir)});
        EXPECT_EQ(lines.back(), L"退出代码 0");

        // Installed: /S alone is refused; /REPAIR puts a deleted file back.
        EXPECT_EQ(RunSilent(Bin(L"Setup.exe"), L"/S").code, kExitBadCommandLine);
        ASSERT_TRUE(DeleteFileW(AppExePath(dir).c_str()));
        const SilentRun repair = RunSilent(Bin(L"Setup.exe"), L"/REPAIR /S /LOG=" + m_scratch / L"repair.log");
        EXPECT_EQ(repair.code, kExitDone);
        EXPECT_EQ(repair.windowsSeen, 0);
        EXPECT_TRUE(Exists(AppExePath(dir)));
        EXPECT_EQ(After(LogLines(m_scratch / L"repair.log"), L"重写安装记录："), std::vector<std::wstring>{dir});

        // The record's quiet removal command removes it all, the folder
        // after Uninstall has ended.
        const std::wstring quiet = RecordString(root, L"QuietUninstallString");
        ASSERT_EQ(quiet, L"\"" + UninstallerExePath(dir) + L"\" /S");
        const SilentRun removal = RunSilent(UninstallerExePath(dir), quiet.substr(quiet.rfind(L'"') + 2) +
                                                                         L" /LOG=\"" + m_scratch / L"removal.log" + L"\"");
        EXPECT_EQ(removal.code, kExitDone);
        EXPECT_EQ(removal.windowsSeen, 0);
        EXPECT_FALSE(RecordExists(root));
        EXPECT_EQ(AutostartValue(root), L"<none>");
        EXPECT_FALSE(Exists(links.appLink));
        EXPECT_TRUE(WaitUntil([&] { return !Exists(dir); }, 30000, 100)) << "the folder stays";
        const std::vector<std::wstring> removed = LogLines(m_scratch / L"removal.log");
        EXPECT_EQ(After(removed, L"删除安装记录").size(), 1u);
        EXPECT_EQ(removed.back(), L"退出代码 0");
    }
}

TEST_F(Silent, EachExitCodeComesFromItsSituation)
{
    const std::wstring folder = m_scratch / L"target";
    const std::wstring link = m_scratch / L"link";
    ASSERT_TRUE(MakeDirs(folder + L"\\real"));
    ASSERT_TRUE(PlantLink(link, folder + L"\\real"));
    const struct {
        const char* situation;
        const wchar_t* exe;
        std::wstring args;
        std::function<bool()> arrange;  // may be null
        int code;
    } rows[] = {
        {"an unknown option", L"Setup.exe", L"/S /QUIET", nullptr, kExitBadCommandLine},
        {"a log that cannot be made", L"Setup.exe", L"/S /LOG=" + m_scratch / L"no\\such\\folder.log", nullptr,
         kExitBadCommandLine},
        {"the calendar running", L"Setup.exe", L"/S /D=" + folder + L"\\app", nullptr, kExitAppRunning},
        {"a damaged Setup", L"SetupDamagedTest.exe", L"/S /D=" + folder + L"\\damaged", nullptr, kExitDamaged},
        {"a folder where a file goes", L"Setup.exe", L"/S /D=" + folder + L"\\blocked",
         [&] { return MakeDirs(folder + L"\\blocked\\" + kAppFileName); }, kExitWriteFailed},
        {"a name Windows refuses", L"Setup.exe", L"/S /D=" + folder + L"\\a|b", nullptr, kExitBadFolder},
        {"a repair without a record", L"Setup.exe", L"/REPAIR /S", nullptr, kExitNotInstalled},
        {"a removal without a record", L"Uninstall.exe", L"/S", nullptr, kExitNotInstalled},
        {"a folder through a link", L"Setup.exe", L"/S /D=" + link + L"\\VELT", nullptr, kExitRefused},
        {"a log through a link", L"Setup.exe", L"/S /LOG=" + link + L"\\x.log", nullptr, kExitRefused},
        {"only me, elevated for another account", L"SetupLargeTest.exe", L"/S /CURRENTUSER /D=" + folder + L"\\other",
         [] { return SetEnvironmentVariableW(kShellUserVariable, L"S-1-5-18") != FALSE; }, kExitRefused},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        CleanMachine();
        ChildProcess calendar;
        if (row.code == kExitAppRunning) {
            ASSERT_TRUE(calendar.StartSleeper(m_scratch / L"running\\VELT电子日历.exe"));
        } else if (row.arrange) {
            ASSERT_TRUE(row.arrange());
        }
        const SilentRun run = RunSilent(Bin(row.exe), row.args);
        SetEnvironmentVariableW(kShellUserVariable, nullptr);
        EXPECT_EQ(run.code, row.code);
        EXPECT_EQ(run.windowsSeen, 0);
        EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE) || RecordExists(HKEY_CURRENT_USER)) << "a failed installation leaves its record";
        EXPECT_FALSE(Exists(folder + L"\\real\\VELT"));
    }
    EXPECT_TRUE(Exists(folder + L"\\blocked\\" + kAppFileName)) << "what was there before stays";
}

// The session ends while the installation runs (Windows asks the process's
// top-level windows, here its one hidden window): held up first, then rolled
// back, and the exit code says so.
TEST_F(Silent, TheEndOfTheSessionRollsTheInstallationBack)
{
    const std::wstring dir = m_scratch / L"ending";
    bool asked = false, heldUp = false;
    const SilentRun run = RunSilent(Bin(L"SetupLargeTest.exe"), L"/S /D=" + dir, [&](DWORD pid) {
        HWND watch = nullptr;
        asked = WaitUntil(
            [&] {
                watch = nullptr;
                for (HWND w = FindWindowExW(nullptr, nullptr, L"VeltSessionWatch", nullptr); w && !watch;
                     w = FindWindowExW(nullptr, w, L"VeltSessionWatch", nullptr)) {
                    DWORD owner = 0;
                    GetWindowThreadProcessId(w, &owner);
                    if (owner == pid)
                        watch = w;
                }
                return watch && Exists(dir);
            },
            30000, 5);
        DWORD_PTR answer = 1;
        heldUp = asked &&
                 SendMessageTimeoutW(watch, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
                 answer == 0;
        SendMessageTimeoutW(watch, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    });
    EXPECT_TRUE(asked) << "no hidden window, or no installation folder";
    EXPECT_TRUE(heldUp) << "the end of the session was not held up";
    EXPECT_EQ(run.code, kExitCancelled);
    EXPECT_EQ(run.windowsSeen, 0);
    EXPECT_FALSE(RecordExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Exists(dir));
}
