// The calendar's launch task against Wine's Task Scheduler: its name is
// per account, and LaunchAppByTaskScheduler deletes a task of that name only
// when its one action runs the calendar it launches; another's task of that
// name stays. Wine cannot set a task's run level, so the launch itself fails
// after that point and registers nothing (the wizard's test checks that
// Setup still ends cleanly). Wine 8 cannot list a registered task's actions
// either (E_NOTIMPL): there no task can be shown to be ours, and the
// calendar's own stays too; where the actions can be listed it goes.
#include <gtest/gtest.h>

#include "com_ptr.h"
#include "launch.h"

#include <oleauto.h>
#include <taskschd.h>

namespace {

const GUID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
const GUID kIidTaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
const GUID kIidExecAction = {0x4C3D624D, 0xFD6B, 0x49A3, {0xB9, 0xB7, 0x09, 0xCB, 0x3C, 0xD3, 0xF0, 0x47}};

// The root task folder of the local machine, or null.
void RootFolder(ComPtr<ITaskFolder>* root)
{
    ComPtr<ITaskService> service;
    VARIANT none = {};
    BSTR slash = SysAllocString(L"\\");
    if (SUCCEEDED(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService,
                                   service.OutVoid())) &&
        SUCCEEDED(service->Connect(none, none, none, none)))
        service->GetFolder(slash, root->Out());
    SysFreeString(slash);
}

// Registers (or replaces) task `name` with one action that runs `path`, as
// any account may; false on failure.
bool RegisterTask(ITaskFolder* root, const std::wstring& name, const std::wstring& path)
{
    ComPtr<ITaskService> service;
    VARIANT none = {};
    ComPtr<ITaskDefinition> task;
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    ComPtr<IRegisteredTask> registered;
    BSTR bPath = SysAllocString(path.c_str());
    BSTR bName = SysAllocString(name.c_str());
    const bool ok =
        SUCCEEDED(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService,
                                   service.OutVoid())) &&
        SUCCEEDED(service->Connect(none, none, none, none)) && SUCCEEDED(service->NewTask(0, task.Out())) &&
        SUCCEEDED(task->get_Actions(actions.Out())) && SUCCEEDED(actions->Create(TASK_ACTION_EXEC, action.Out())) &&
        SUCCEEDED(action->QueryInterface(kIidExecAction, exec.OutVoid())) && SUCCEEDED(exec->put_Path(bPath)) &&
        SUCCEEDED(root->RegisterTaskDefinition(bName, task.Get(), TASK_CREATE_OR_UPDATE, none, none,
                                               TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out()));
    SysFreeString(bPath);
    SysFreeString(bName);
    return ok;
}

// The Task Scheduler lists the actions of the registered task `name`.
bool ListsActions(ITaskFolder* root, const std::wstring& name)
{
    ComPtr<IRegisteredTask> task;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    LONG count = 0;
    BSTR bName = SysAllocString(name.c_str());
    const bool lists = SUCCEEDED(root->GetTask(bName, task.Out())) &&
                       SUCCEEDED(task->get_Definition(definition.Out())) &&
                       SUCCEEDED(definition->get_Actions(actions.Out())) && SUCCEEDED(actions->get_Count(&count));
    SysFreeString(bName);
    return lists;
}

bool TaskExists(ITaskFolder* root, const std::wstring& name)
{
    ComPtr<IRegisteredTask> task;
    BSTR bName = SysAllocString(name.c_str());
    const bool found = SUCCEEDED(root->GetTask(bName, task.Out()));
    SysFreeString(bName);
    return found;
}

TEST(LaunchTask, OnlyTheCalendarsOwnTaskOfItsNameIsReplaced)
{
    ComScope com;
    const std::wstring name = LaunchTaskName();
    ASSERT_EQ(name.rfind(L"VELT电子日历 启动 S-1-", 0), 0u) << "named after the account's SID";
    ComPtr<ITaskFolder> root;
    RootFolder(&root);
    ASSERT_TRUE(root);

    const std::wstring exe = L"C:\\Program Files\\VELT电子日历\\VELT电子日历.exe";
    const struct {
        std::wstring action;  // of the task found under the name
        bool ours;
    } cases[] = {{L"C:\\users\\Public\\mine.exe", false},
                 {L"C:\\Program Files\\VELT电子日历\\VELT电子日历.exe.bak", false},
                 {L"\"C:\\PROGRAM FILES\\VELT电子日历\\VELT电子日历.EXE\"", true},
                 {exe, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        ASSERT_TRUE(RegisterTask(root.Get(), name, c.action));
        const bool known = ListsActions(root.Get(), name);
        EXPECT_EQ(LaunchAppByTaskScheduler(exe), 1) << "Wine cannot set the run level";
        EXPECT_EQ(TaskExists(root.Get(), name), !(c.ours && known));
        BSTR bName = SysAllocString(name.c_str());
        root->DeleteTask(bName, 0);
        SysFreeString(bName);
    }
}

} // namespace
