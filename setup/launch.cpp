#include "launch.h"

#include "com_ptr.h"
#include "product.h"

#include <windows.h>
#include <oleauto.h>
#include <sddl.h>
#include <shellapi.h>
#include <taskschd.h>

#include <vector>

// The registration trigger; the system headers of this tool chain do not
// declare it. Its methods follow those of ITrigger. Declared outside the
// anonymous namespace: there, no class of another translation unit could
// implement it, and the compiler turns the calls of its methods into calls
// of the pure virtual handler.
struct IRegistrationTrigger : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};

namespace {

const GUID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
const GUID kIidTaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
const GUID kIidRegistrationTrigger = {0x4C8FEC3A, 0xC218, 0x4E0C, {0xB2, 0x3D, 0x62, 0x90, 0x24, 0xDB, 0x91, 0xA2}};
const GUID kIidExecAction = {0x4C3D624D, 0xFD6B, 0x49A3, {0xB9, 0xB7, 0x09, 0xCB, 0x3C, 0xD3, 0xF0, 0x47}};

const wchar_t kTaskNamePrefix[] = L"VELT电子日历 启动 ";
const wchar_t kTaskAuthor[] = L"Author Name";
const wchar_t kPrincipalId[] = L"Principal1";
const wchar_t kTriggerId[] = L"Trigger1";
const wchar_t kNoDelay[] = L"PT0S";
// How long the launch waits for the task to start the calendar.
const DWORD kStartWaitMs = 10000;

// A BSTR made from a text, freed when it goes out of scope. Null when memory
// ran out.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : m_b(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_b; }
    explicit operator bool() const { return m_b != nullptr; }

private:
    BSTR m_b;
};

// A VARIANT, cleared when it goes out of scope.
class Variant {
public:
    Variant() { VariantInit(&m_v); }
    ~Variant() { VariantClear(&m_v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT& Get() { return m_v; }

private:
    VARIANT m_v;
};

bool Ok(HRESULT hr)
{
    return SUCCEEDED(hr);
}

// `path` without the quotes around it, if it has them.
std::wstring Unquoted(const std::wstring& path)
{
    return path.size() >= 2 && path.front() == L'"' && path.back() == L'"' ? path.substr(1, path.size() - 2) : path;
}

// The registered task `name` is ours: its one action runs exePath.
bool IsOurTask(ITaskFolder* root, BSTR name, const std::wstring& exePath)
{
    ComPtr<IRegisteredTask> task;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    LONG count = 0;
    TASK_ACTION_TYPE type = TASK_ACTION_COM_HANDLER;
    if (!Ok(root->GetTask(name, task.Out())) || !Ok(task->get_Definition(definition.Out())) ||
        !Ok(definition->get_Actions(actions.Out())) || !Ok(actions->get_Count(&count)) || count != 1 ||
        !Ok(actions->get_Item(1, action.Out())) || !Ok(action->get_Type(&type)) || type != TASK_ACTION_EXEC ||
        !Ok(action->QueryInterface(kIidExecAction, exec.OutVoid())))
        return false;
    BSTR path = nullptr;
    const bool ours = Ok(exec->get_Path(&path)) && path &&
                      lstrcmpiW(Unquoted(path).c_str(), Unquoted(exePath).c_str()) == 0;
    SysFreeString(path);
    return ours;
}

// The registered task has started its action: it runs, or it has run.
bool HasStarted(IRegisteredTask* task)
{
    TASK_STATE state = TASK_STATE_UNKNOWN;
    DATE lastRun = 0;
    return (Ok(task->get_State(&state)) && state == TASK_STATE_RUNNING) ||
           (task->get_LastRunTime(&lastRun) == S_OK && lastRun != 0);
}

// Waits up to kStartWaitMs for HasStarted; false when it did not.
bool WaitForStart(IRegisteredTask* task)
{
    const DWORD begin = GetTickCount();
    while (!HasStarted(task)) {
        if (GetTickCount() - begin >= kStartWaitMs)
            return false;
        Sleep(50);
    }
    return true;
}

} // namespace

std::wstring LaunchTaskName()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return L"";
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    LPWSTR sid = nullptr;
    const bool read = size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
                      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid);
    CloseHandle(token);
    const std::wstring name = read ? kTaskNamePrefix + std::wstring(sid) : L"";
    if (sid)
        LocalFree(sid);
    return name;
}

int LaunchAppByTaskScheduler(const std::wstring& exePath)
{
    // Security set earlier in the process (the folder browser does) is fine.
    const HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                                  RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE)
        return 1;

    ComPtr<ITaskService> service;
    if (!Ok(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService, service.OutVoid())))
        return 1;
    Variant none1, none2, none3, none4;
    if (!Ok(service->Connect(none1.Get(), none2.Get(), none3.Get(), none4.Get())))
        return 1;
    ComPtr<ITaskFolder> root;
    const std::wstring name = LaunchTaskName();
    const Bstr rootName(L"\\");
    const Bstr taskName(name.c_str());
    if (name.empty() || !rootName || !taskName || !Ok(service->GetFolder(rootName.Get(), root.Out())))
        return 1;
    // The task of an earlier run, if any; a task of another's stays.
    if (IsOurTask(root.Get(), taskName.Get(), exePath))
        root->DeleteTask(taskName.Get(), 0);

    ComPtr<ITaskDefinition> task;
    const HRESULT made = service->NewTask(0, task.Out());
    service.Reset();
    if (!Ok(made))
        return 1;

    {
        ComPtr<IRegistrationInfo> info;
        const Bstr author(kTaskAuthor);
        if (!author || !Ok(task->get_RegistrationInfo(info.Out())) || !Ok(info->put_Author(author.Get())))
            return 1;
    }
    {
        ComPtr<IPrincipal> principal;
        if (!Ok(task->get_Principal(principal.Out())))
            return 1;
        const Bstr id(kPrincipalId);
        if (id)
            principal->put_Id(id.Get());
        principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN);
        // Never with Setup's elevated rights.
        if (!Ok(principal->put_RunLevel(TASK_RUNLEVEL_LUA)))
            return 1;
    }
    {
        // The Task Scheduler's defaults would not start the calendar on
        // batteries, would end it when the power cord is pulled and after
        // three days.
        ComPtr<ITaskSettings> settings;
        const Bstr noLimit(L"PT0S");
        if (!noLimit || !Ok(task->get_Settings(settings.Out())) ||
            !Ok(settings->put_StartWhenAvailable(VARIANT_TRUE)) ||
            !Ok(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
            !Ok(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)) ||
            !Ok(settings->put_ExecutionTimeLimit(noLimit.Get())))
            return 1;
    }
    {
        ComPtr<ITriggerCollection> triggers;
        ComPtr<ITrigger> trigger;
        if (!Ok(task->get_Triggers(triggers.Out())) || !Ok(triggers->Create(TASK_TRIGGER_REGISTRATION, trigger.Out())))
            return 1;
        triggers.Reset();
        ComPtr<IRegistrationTrigger> registration;
        if (!Ok(trigger->QueryInterface(kIidRegistrationTrigger, registration.OutVoid())))
            return 1;
        trigger.Reset();
        const Bstr id(kTriggerId);
        const Bstr delay(kNoDelay);
        if (id)
            registration->put_Id(id.Get());
        if (!delay || !Ok(registration->put_Delay(delay.Get())))
            return 1;
    }
    {
        ComPtr<IActionCollection> actions;
        ComPtr<IAction> action;
        if (!Ok(task->get_Actions(actions.Out())) || !Ok(actions->Create(TASK_ACTION_EXEC, action.Out())))
            return 1;
        actions.Reset();
        ComPtr<IExecAction> exec;
        if (!Ok(action->QueryInterface(kIidExecAction, exec.OutVoid())))
            return 1;
        action.Reset();
        const Bstr path((L"\"" + exePath + L"\"").c_str());
        if (!path || !Ok(exec->put_Path(path.Get())))
            return 1;
    }

    Variant user, password, sddl;
    sddl.Get().vt = VT_BSTR;
    sddl.Get().bstrVal = SysAllocString(L"");
    if (!sddl.Get().bstrVal)
        return 1;
    ComPtr<IRegisteredTask> registered;
    const HRESULT hr = root->RegisterTaskDefinition(taskName.Get(), task.Get(), TASK_CREATE, user.Get(),
                                                    password.Get(), TASK_LOGON_INTERACTIVE_TOKEN, sddl.Get(),
                                                    registered.Out());
    if (!Ok(hr) || !registered)
        return 1;
    // Once the calendar started, the task has done its work; one that did not
    // start in time is not left behind to start it later.
    const bool started = WaitForStart(registered.Get());
    root->DeleteTask(taskName.Get(), 0);
    return started ? 0 : 1;
}

void LaunchApp(const std::wstring& installDir)
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version));
    const std::wstring app = AppExePath(installDir);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6) {
        LaunchAppByTaskScheduler(app);
        return;
    }
    ShellExecuteW(nullptr, L"open", app.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
