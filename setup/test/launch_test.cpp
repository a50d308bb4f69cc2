// The calendar's launch through the Task Scheduler, against the stand-in
// server of tests/task_double (Wine's own can set neither a registration
// trigger nor a run level, nor list a task's actions). The fixture points
// the Task Scheduler's class at the stand-in, in this process's registry
// view, and back at Wine's server when it ends, so that every other test
// sees Wine's: machine-wide, as Wine 8 reads no per-user classes. Covered:
// the calls of a launch in their order, from the task's name (the
// product's, with the account's SID) to the deletion of the task once it
// started the calendar, which really runs; a refused step, or a task that
// never starts, fails the launch and leaves no task and nothing started; a
// task of the same name goes first only when its one action runs the
// calendar being launched, and another's stays (then the launch fails).
#include <gtest/gtest.h>

#include "com_ptr.h"
#include "launch.h"
#include "running_app.h"
#include "test_support.h"
#include "wait_until.h"

#include <oleauto.h>
#include <shlwapi.h>
#include <taskschd.h>

namespace {

using namespace testing_support;

const GUID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
const GUID kIidTaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
const GUID kIidExecAction = {0x4C3D624D, 0xFD6B, 0x49A3, {0xB9, 0xB7, 0x09, 0xCB, 0x3C, 0xD3, 0xF0, 0x47}};
const std::wstring kServerKey = L"CLSID\\{0F87369F-A4E5-4CFC-BD3E-73E6154572DD}\\InprocServer32";

class LaunchTask : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetRegString(HKEY_CLASSES_ROOT, kServerKey, nullptr, ModuleDir() + L"\\velt_task_double.dll"));
        SetEnvironmentVariableW(L"VELT_TASK_DOUBLE_LOG", m_log.c_str());
        ASSERT_EQ(FindRunningApp(), 0u);
        ASSERT_TRUE(MakeDirs(m_dir / L"VELT 电子日历") &&
                    CopyFileW((ModuleDir() + L"\\VELT电子日历.exe").c_str(), m_exe.c_str(), FALSE));
        ASSERT_EQ(m_name.rfind(L"VELT电子日历 启动 S-1-", 0), 0u) << "named after the account's SID";
    }
    void TearDown() override
    {
        SetRegString(HKEY_CLASSES_ROOT, kServerKey, nullptr, m_wine);
        SetEnvironmentVariableW(L"VELT_TASK_DOUBLE_LOG", nullptr);
        SetEnvironmentVariableW(L"VELT_TASK_DOUBLE_REFUSE", nullptr);
    }

    // The calls the stand-in logged since the last look.
    std::vector<std::wstring> TakeCalls()
    {
        const std::wstring text = FromUtf8(FileContent(m_log));
        DeleteFileW(m_log.c_str());
        std::vector<std::wstring> calls;
        for (size_t at = 0, end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1)
            calls.push_back(text.substr(at, end - at));
        return calls;
    }

    // The Task Scheduler the launch sees, connected, and its root folder
    // (both null when it cannot be reached).
    void RootFolder(ComPtr<ITaskFolder>* root, ComPtr<ITaskService>* service = nullptr)
    {
        ComPtr<ITaskService> own;
        service = service ? service : &own;
        VARIANT none = {};
        BSTR slash = SysAllocString(L"\\");
        if (SUCCEEDED(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService,
                                       service->OutVoid())) &&
            SUCCEEDED((*service)->Connect(none, none, none, none)))
            (*service)->GetFolder(slash, root->Out());
        SysFreeString(slash);
    }

    // Registers task m_name with one action that runs `path` and no
    // trigger, as any account may.
    bool RegisterTask(const std::wstring& path)
    {
        ComPtr<ITaskService> service;
        VARIANT none = {};
        ComPtr<ITaskFolder> root;
        ComPtr<ITaskDefinition> task;
        ComPtr<IActionCollection> actions;
        ComPtr<IAction> action;
        ComPtr<IExecAction> exec;
        ComPtr<IRegisteredTask> registered;
        BSTR bPath = SysAllocString(path.c_str());
        BSTR bName = SysAllocString(m_name.c_str());
        RootFolder(&root, &service);
        const bool ok =
            root && SUCCEEDED(service->NewTask(0, task.Out())) &&
            SUCCEEDED(task->get_Actions(actions.Out())) &&
            SUCCEEDED(actions->Create(TASK_ACTION_EXEC, action.Out())) &&
            SUCCEEDED(action->QueryInterface(kIidExecAction, exec.OutVoid())) && SUCCEEDED(exec->put_Path(bPath)) &&
            SUCCEEDED(root->RegisterTaskDefinition(bName, task.Get(), TASK_CREATE_OR_UPDATE, none, none,
                                                   TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out()));
        SysFreeString(bPath);
        SysFreeString(bName);
        TakeCalls();
        return ok;
    }

    // Deletes task m_name; false when there was none.
    bool DeleteTask()
    {
        ComPtr<ITaskFolder> root;
        RootFolder(&root);
        BSTR bName = SysAllocString(m_name.c_str());
        const bool deleted = root && SUCCEEDED(root->DeleteTask(bName, 0));
        SysFreeString(bName);
        TakeCalls();
        return deleted;
    }

    // Ends the calendar the launch started; false when none runs.
    static bool EndCalendar()
    {
        DWORD id = 0;
        WaitUntil([&] { return (id = FindRunningApp()) != 0; }, 5000);
        const HANDLE process = id ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id) : nullptr;
        const bool ended = process && TerminateProcess(process, 0) && WaitForSingleObject(process, 10000) == 0;
        if (process)
            CloseHandle(process);
        return ended;
    }

    // Wine's server of the class (the system's when a broken-off run left the
    // stand-in registered).
    static std::wstring WineServer()
    {
        const std::wstring server = RegString(HKEY_CLASSES_ROOT, kServerKey, nullptr);
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        return server.find(L"velt_task_double") == std::wstring::npos ? server : system + std::wstring(L"\\taskschd.dll");
    }

    const std::wstring m_wine = WineServer();
    ComScope m_com;
    ScratchDir m_dir{L"launch"};
    const std::wstring m_log = m_dir / L"calls.log";
    const std::wstring m_exe = m_dir / L"VELT 电子日历\\VELT电子日历.exe";
    const std::wstring m_name = LaunchTaskName();
};

TEST_F(LaunchTask, RegistersATaskThatStartsTheCalendarAndDeletesItOnceItDid)
{
    EXPECT_EQ(LaunchAppByTaskScheduler(m_exe), 0);
    const std::wstring quoted = L"\"" + m_exe + L"\"";
    const std::vector<std::wstring> expected = {
        L"Service.Connect", L"Service.GetFolder \\", L"Folder.GetTask " + m_name + L" -> 0x80070002",
        L"Service.NewTask 0", L"RegistrationInfo.put_Author Author Name", L"Principal.put_Id Principal1",
        L"Principal.put_LogonType 3", L"Principal.put_RunLevel 0", L"Settings.put_StartWhenAvailable -1",
        L"Settings.put_DisallowStartIfOnBatteries 0", L"Settings.put_StopIfGoingOnBatteries 0",
        L"Settings.put_ExecutionTimeLimit PT0S",
        L"Triggers.Create 7", L"Trigger.put_Id Trigger1", L"Trigger.put_Delay PT0S", L"Actions.Create 0",
        L"ExecAction.put_Path " + quoted, L"Folder.RegisterTaskDefinition " + m_name + L" 2 3",
        L"Scheduler.Start " + quoted, L"Folder.DeleteTask " + m_name};
    EXPECT_EQ(TakeCalls(), expected);
    EXPECT_TRUE(EndCalendar()) << "the calendar runs";
}

TEST_F(LaunchTask, ARefusedStepFailsTheLaunchAndLeavesNoTask)
{
    for (const wchar_t* refused : {L"Service.Connect", L"Service.NewTask", L"Principal.put_RunLevel",
                                   L"Triggers.Create", L"ExecAction.put_Path", L"Folder.RegisterTaskDefinition",
                                   L"Scheduler.Start"}) {
        SCOPED_TRACE(refused);
        SetEnvironmentVariableW(L"VELT_TASK_DOUBLE_REFUSE", refused);
        EXPECT_EQ(LaunchAppByTaskScheduler(m_exe), 1);
        // The last call, but for the deletion of a task registered already.
        std::vector<std::wstring> calls = TakeCalls();
        if (!calls.empty() && calls.back() == L"Folder.DeleteTask " + m_name)
            calls.pop_back();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().rfind(refused, 0), 0u) << "stops at the refused step";
        EXPECT_EQ(calls.back().substr(calls.back().size() - 14), L" -> 0x80070005");
        SetEnvironmentVariableW(L"VELT_TASK_DOUBLE_REFUSE", nullptr);
        EXPECT_FALSE(DeleteTask()) << "no task";
        EXPECT_EQ(FindRunningApp(), 0u) << "nothing started";
    }
}

TEST_F(LaunchTask, OnlyTheCalendarsOwnTaskOfItsNameIsReplaced)
{
    std::wstring upper = m_exe;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    const struct {
        std::wstring action;  // of the task found under the name
        bool ours;
    } cases[] = {{L"C:\\users\\Public\\mine.exe", false},
                 {m_exe + L".bak", false},
                 {L"\"" + upper + L"\"", true},
                 {m_exe, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        ASSERT_TRUE(RegisterTask(c.action));
        EXPECT_EQ(LaunchAppByTaskScheduler(m_exe), c.ours ? 0 : 1);
        const std::vector<std::wstring> calls = TakeCalls();
        const bool replaced = std::find(calls.begin(), calls.end(), L"Folder.DeleteTask " + m_name) != calls.end();
        EXPECT_EQ(replaced, c.ours);
        EXPECT_EQ(c.ours && EndCalendar(), c.ours) << "the calendar runs when the launch went through";
        EXPECT_EQ(DeleteTask(), !c.ours) << "another's task stays";
    }
}

} // namespace
