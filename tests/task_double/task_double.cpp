// A stand-in for the Task Scheduler's in-process COM server (the class
// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}) for the tests of Setup's launch of
// the calendar: a test registers this DLL as that class for itself, for the
// length of a test, and calls the launch in its own process.
//
// It keeps the tasks of the root folder "\" in memory for as long as it is
// loaded. A task registered with a registration trigger is started as the
// real service starts it: soon after, on a thread of its own, if it is still
// registered then, by running its first exec action (CreateProcessW of the
// path followed by the arguments, in the working folder when one is set).
// A registered task reports itself running while that process runs, and its
// last run time once it was started. Deleting a task does not end its
// process. Registering over an existing task without TASK_UPDATE fails with
// ERROR_ALREADY_EXISTS; getting or deleting a task that is not there fails
// with ERROR_FILE_NOT_FOUND.
//
// What the launch calls is implemented; every other method answers
// E_NOTIMPL. Each call that changes something (and GetTask) appends one line
// "<Object>.<method> <arguments>" to the UTF-8 file named by the environment
// variable VELT_TASK_DOUBLE_LOG, followed by " -> 0x<result>" when it failed;
// the start of a task adds "Scheduler.Start <command line>". The one call
// named "<Object>.<method>" in VELT_TASK_DOUBLE_REFUSE fails with
// E_ACCESSDENIED and changes nothing ("Scheduler.Start": the task never
// runs).
#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <map>
#include <string>
#include <vector>

// The registration trigger, which these headers do not declare.
struct IRegistrationTrigger : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IRegistrationTrigger, 0x4C8FEC3A, 0xC218, 0x4E0C, 0xB2, 0x3D, 0x62, 0x90, 0x24, 0xDB, 0x91, 0xA2)

namespace {

const GUID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n && n < 1024 ? value : L"";
}

// Appends `line` (and the result when it failed) to the log.
void Log(std::wstring line, HRESULT hr)
{
    if (FAILED(hr)) {
        wchar_t code[16];
        wsprintfW(code, L" -> 0x%08lX", static_cast<unsigned long>(hr));
        line += code;
    }
    line += L"\n";
    const HANDLE file = CreateFileW(Env(L"VELT_TASK_DOUBLE_LOG").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string utf8(line.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

// Logs the call `object`.`method` `detail`; E_ACCESSDENIED when the test
// refuses it, else `result`.
HRESULT Record(const wchar_t* object, const wchar_t* method, const std::wstring& detail, HRESULT result = S_OK)
{
    const std::wstring call = std::wstring(object) + L"." + method;
    const HRESULT hr = Env(L"VELT_TASK_DOUBLE_REFUSE") == call ? E_ACCESSDENIED : result;
    Log(detail.empty() ? call : call + L" " + detail, hr);
    return hr;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <typename T>
T* Shared(T* object)
{
    object->AddRef();
    return object;
}

// IUnknown and IDispatch (no type information) of an object that exposes
// the interface I and those of `extra`.
template <typename I>
class Object : public I {
public:
    Object(const wchar_t* name, std::vector<IID> extra = {}) : m_name(name), m_iids(std::move(extra)) {}
    virtual ~Object() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        bool known = iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(I);
        for (const IID& extra : m_iids)
            known = known || iid == extra;
        if (!known)
            return E_NOINTERFACE;
        *out = static_cast<I*>(this);
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    const wchar_t* m_name;

private:
    std::vector<IID> m_iids;
    LONG m_refs = 1;
};

#define NOT_IMPLEMENTED(method, ...) \
    HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { return E_NOTIMPL; }
#define NOT_IMPLEMENTED_PROPERTY(name, type) NOT_IMPLEMENTED(get_##name, type*) NOT_IMPLEMENTED(put_##name, type)
// A property whose setting is recorded and kept.
#define TEXT_PROPERTY(name) \
    std::wstring m_##name; \
    HRESULT STDMETHODCALLTYPE get_##name(BSTR* value) override { return CopyOut(m_##name, value); } \
    HRESULT STDMETHODCALLTYPE put_##name(BSTR value) override \
    { \
        const std::wstring text = value ? value : L""; \
        const HRESULT hr = Record(m_name, L"put_" #name, text); \
        if (SUCCEEDED(hr)) \
            m_##name = text; \
        return hr; \
    }
#define NUMBER_PROPERTY(name, type) \
    type m_##name = type(); \
    HRESULT STDMETHODCALLTYPE get_##name(type* value) override { return (*value = m_##name), S_OK; } \
    HRESULT STDMETHODCALLTYPE put_##name(type value) override \
    { \
        const HRESULT hr = Record(m_name, L"put_" #name, std::to_wstring(static_cast<long>(value))); \
        if (SUCCEEDED(hr)) \
            m_##name = value; \
        return hr; \
    }

class RegistrationInfo : public Object<IRegistrationInfo> {
public:
    RegistrationInfo() : Object(L"RegistrationInfo") {}
    TEXT_PROPERTY(Author)
    NOT_IMPLEMENTED_PROPERTY(Description, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Version, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Date, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Documentation, BSTR)
    NOT_IMPLEMENTED_PROPERTY(XmlText, BSTR)
    NOT_IMPLEMENTED_PROPERTY(URI, BSTR)
    NOT_IMPLEMENTED_PROPERTY(SecurityDescriptor, VARIANT)
    NOT_IMPLEMENTED_PROPERTY(Source, BSTR)
};

class Principal : public Object<IPrincipal> {
public:
    Principal() : Object(L"Principal") {}
    TEXT_PROPERTY(Id)
    NUMBER_PROPERTY(LogonType, TASK_LOGON_TYPE)
    NUMBER_PROPERTY(RunLevel, TASK_RUNLEVEL_TYPE)
    NOT_IMPLEMENTED_PROPERTY(DisplayName, BSTR)
    NOT_IMPLEMENTED_PROPERTY(UserId, BSTR)
    NOT_IMPLEMENTED_PROPERTY(GroupId, BSTR)
};

class Settings : public Object<ITaskSettings> {
public:
    Settings() : Object(L"Settings") {}
    NUMBER_PROPERTY(StartWhenAvailable, VARIANT_BOOL)
    NUMBER_PROPERTY(DisallowStartIfOnBatteries, VARIANT_BOOL)
    NUMBER_PROPERTY(StopIfGoingOnBatteries, VARIANT_BOOL)
    TEXT_PROPERTY(ExecutionTimeLimit)
    NOT_IMPLEMENTED_PROPERTY(AllowDemandStart, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(RestartInterval, BSTR)
    NOT_IMPLEMENTED_PROPERTY(RestartCount, INT)
    NOT_IMPLEMENTED_PROPERTY(MultipleInstances, TASK_INSTANCES_POLICY)
    NOT_IMPLEMENTED_PROPERTY(AllowHardTerminate, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(XmlText, BSTR)
    NOT_IMPLEMENTED_PROPERTY(RunOnlyIfNetworkAvailable, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(Enabled, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(DeleteExpiredTaskAfter, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Priority, INT)
    NOT_IMPLEMENTED_PROPERTY(Compatibility, TASK_COMPATIBILITY)
    NOT_IMPLEMENTED_PROPERTY(Hidden, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(IdleSettings, IIdleSettings*)
    NOT_IMPLEMENTED_PROPERTY(RunOnlyIfIdle, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(WakeToRun, VARIANT_BOOL)
    NOT_IMPLEMENTED_PROPERTY(NetworkSettings, INetworkSettings*)
};

// A trigger of any type (it answers to the registration trigger's interface
// whatever its type).
class Trigger : public Object<IRegistrationTrigger> {
public:
    explicit Trigger(TASK_TRIGGER_TYPE2 type) : Object(L"Trigger", {__uuidof(ITrigger)}), m_type(type) {}
    NOT_IMPLEMENTED(get_Type, TASK_TRIGGER_TYPE2*)
    TEXT_PROPERTY(Id)
    TEXT_PROPERTY(Delay)
    NOT_IMPLEMENTED_PROPERTY(Repetition, IRepetitionPattern*)
    NOT_IMPLEMENTED_PROPERTY(ExecutionTimeLimit, BSTR)
    NOT_IMPLEMENTED_PROPERTY(StartBoundary, BSTR)
    NOT_IMPLEMENTED_PROPERTY(EndBoundary, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Enabled, VARIANT_BOOL)

    const TASK_TRIGGER_TYPE2 m_type;
};

class ExecAction : public Object<IExecAction> {
public:
    ExecAction() : Object(L"ExecAction", {__uuidof(IAction)}) {}
    HRESULT STDMETHODCALLTYPE get_Type(TASK_ACTION_TYPE* type) override { return (*type = TASK_ACTION_EXEC), S_OK; }
    NOT_IMPLEMENTED_PROPERTY(Id, BSTR)
    TEXT_PROPERTY(Path)
    TEXT_PROPERTY(Arguments)
    TEXT_PROPERTY(WorkingDirectory)
};

// The items of a collection, counted from 1.
template <typename I, typename Item>
class Collection : public Object<I> {
public:
    using Object<I>::Object;
    ~Collection() override
    {
        for (Item* item : m_items)
            item->Release();
    }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        *count = static_cast<LONG>(m_items.size());
        return S_OK;
    }
    NOT_IMPLEMENTED(get__NewEnum, IUnknown**)
    NOT_IMPLEMENTED(Remove, VARIANT)
    NOT_IMPLEMENTED(Clear)

    std::vector<Item*> m_items;

protected:
    template <typename Out>
    HRESULT ItemAt(LONG index, Out** out)
    {
        if (index < 1 || index > static_cast<LONG>(m_items.size()))
            return E_INVALIDARG;
        *out = Shared(m_items[index - 1]);
        return S_OK;
    }
};

class Triggers : public Collection<ITriggerCollection, Trigger> {
public:
    Triggers() : Collection(L"Triggers") {}
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, ITrigger** trigger) override { return ItemAt(index, trigger); }
    HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override
    {
        const HRESULT hr = Record(m_name, L"Create", std::to_wstring(type));
        if (FAILED(hr))
            return hr;
        m_items.push_back(new Trigger(type));
        *trigger = Shared(m_items.back());
        return S_OK;
    }
};

// Exec actions only: another type is refused with E_NOTIMPL.
class Actions : public Collection<IActionCollection, ExecAction> {
public:
    Actions() : Collection(L"Actions") {}
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, IAction** action) override { return ItemAt(index, action); }
    HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override
    {
        const HRESULT hr = Record(m_name, L"Create", std::to_wstring(type), type == TASK_ACTION_EXEC ? S_OK : E_NOTIMPL);
        if (FAILED(hr))
            return hr;
        m_items.push_back(new ExecAction);
        *action = Shared(m_items.back());
        return S_OK;
    }
    NOT_IMPLEMENTED_PROPERTY(XmlText, BSTR)
    NOT_IMPLEMENTED_PROPERTY(Context, BSTR)
};

class Definition : public Object<ITaskDefinition> {
public:
    Definition() : Object(L"Definition") {}
    ~Definition() override
    {
        m_info->Release();
        m_principal->Release();
        m_settings->Release();
        m_triggers->Release();
        m_actions->Release();
    }
    HRESULT STDMETHODCALLTYPE get_RegistrationInfo(IRegistrationInfo** out) override { return Give(m_info, out); }
    HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** out) override { return Give(m_principal, out); }
    HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** out) override { return Give(m_settings, out); }
    HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** out) override { return Give(m_triggers, out); }
    HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** out) override { return Give(m_actions, out); }
    NOT_IMPLEMENTED(put_RegistrationInfo, IRegistrationInfo*)
    NOT_IMPLEMENTED(put_Principal, IPrincipal*)
    NOT_IMPLEMENTED(put_Settings, ITaskSettings*)
    NOT_IMPLEMENTED(put_Triggers, ITriggerCollection*)
    NOT_IMPLEMENTED(put_Actions, IActionCollection*)
    NOT_IMPLEMENTED_PROPERTY(Data, BSTR)
    NOT_IMPLEMENTED_PROPERTY(XmlText, BSTR)

    RegistrationInfo* const m_info = new RegistrationInfo;
    Principal* const m_principal = new Principal;
    Settings* const m_settings = new Settings;
    Triggers* const m_triggers = new Triggers;
    Actions* const m_actions = new Actions;

private:
    template <typename T, typename I>
    static HRESULT Give(T* object, I** out)
    {
        *out = Shared(object);
        return S_OK;
    }
};

// The registered tasks of the root folder, by name, and the lock over them.
struct Task {
    Definition* definition = nullptr;
    HANDLE process = nullptr;  // once started
    DATE lastRun = 0;
};

CRITICAL_SECTION& Lock()
{
    static struct Section {
        Section() { InitializeCriticalSection(&cs); }
        CRITICAL_SECTION cs;
    } section;
    return section.cs;
}

std::map<std::wstring, Task>& Tasks()
{
    static std::map<std::wstring, Task> tasks;
    return tasks;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&Lock()); }
    ~Locked() { LeaveCriticalSection(&Lock()); }
};

void Forget(Task& task)
{
    task.definition->Release();
    if (task.process)
        CloseHandle(task.process);
}

// The registration trigger's start of the task `name` (owned by the call).
DWORD WINAPI StartTask(void* name)
{
    const std::wstring taskName = *static_cast<std::wstring*>(name);
    delete static_cast<std::wstring*>(name);
    Locked locked;
    const auto found = Tasks().find(taskName);
    if (found == Tasks().end() || found->second.definition->m_actions->m_items.empty())
        return 0;
    const ExecAction& action = *found->second.definition->m_actions->m_items.front();
    std::wstring command = action.m_Path + (action.m_Arguments.empty() ? L"" : L" " + action.m_Arguments);
    if (FAILED(Record(L"Scheduler", L"Start", command)))
        return 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       action.m_WorkingDirectory.empty() ? nullptr : action.m_WorkingDirectory.c_str(), &startup,
                       &process);
    if (!started)
        Log(L"Scheduler.CreateProcess", HRESULT_FROM_WIN32(GetLastError()));
    SYSTEMTIME now;
    GetSystemTime(&now);
    SystemTimeToVariantTime(&now, &found->second.lastRun);
    if (started) {
        CloseHandle(process.hThread);
        found->second.process = process.hProcess;
    }
    return 0;
}

class RegisteredTask : public Object<IRegisteredTask> {
public:
    explicit RegisteredTask(const std::wstring& name) : Object(L"RegisteredTask"), m_task(name) {}
    NOT_IMPLEMENTED(get_Name, BSTR*)
    HRESULT STDMETHODCALLTYPE get_State(TASK_STATE* state) override
    {
        Locked locked;
        const Task* task = Find();
        if (!task)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        *state = task->process && WaitForSingleObject(task->process, 0) == WAIT_TIMEOUT ? TASK_STATE_RUNNING
                                                                                        : TASK_STATE_READY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE* date) override
    {
        Locked locked;
        const Task* task = Find();
        if (!task)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        *date = task->lastRun;
        return task->lastRun ? S_OK : SCHED_S_TASK_HAS_NOT_RUN;
    }
    HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition** definition) override
    {
        Locked locked;
        const Task* task = Find();
        if (!task)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        *definition = Shared(task->definition);
        return S_OK;
    }
    NOT_IMPLEMENTED(get_Path, BSTR*)
    NOT_IMPLEMENTED_PROPERTY(Enabled, VARIANT_BOOL)
    NOT_IMPLEMENTED(Run, VARIANT, IRunningTask**)
    NOT_IMPLEMENTED(RunEx, VARIANT, LONG, LONG, BSTR, IRunningTask**)
    NOT_IMPLEMENTED(GetInstances, LONG, IRunningTaskCollection**)
    NOT_IMPLEMENTED(get_LastTaskResult, LONG*)
    NOT_IMPLEMENTED(get_NumberOfMissedRuns, LONG*)
    NOT_IMPLEMENTED(get_NextRunTime, DATE*)
    NOT_IMPLEMENTED(get_Xml, BSTR*)
    NOT_IMPLEMENTED(GetSecurityDescriptor, LONG, BSTR*)
    NOT_IMPLEMENTED(SetSecurityDescriptor, BSTR, LONG)
    NOT_IMPLEMENTED(Stop, LONG)
    NOT_IMPLEMENTED(GetRunTimes, const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*)

private:
    const Task* Find() const
    {
        const auto found = Tasks().find(m_task);
        return found == Tasks().end() ? nullptr : &found->second;
    }
    const std::wstring m_task;
};

class Folder : public Object<ITaskFolder> {
public:
    Folder() : Object(L"Folder") {}
    HRESULT STDMETHODCALLTYPE GetTask(BSTR name, IRegisteredTask** task) override
    {
        Locked locked;
        const std::wstring key = name ? name : L"";
        const HRESULT hr = Record(m_name, L"GetTask", key, Tasks().count(key) ? S_OK : NotFound());
        *task = SUCCEEDED(hr) ? new RegisteredTask(key) : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG) override
    {
        Locked locked;
        const std::wstring key = name ? name : L"";
        const auto found = Tasks().find(key);
        const HRESULT hr = Record(m_name, L"DeleteTask", key, found != Tasks().end() ? S_OK : NotFound());
        if (SUCCEEDED(hr)) {
            Forget(found->second);
            Tasks().erase(found);
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR name, ITaskDefinition* definition, LONG flags, VARIANT,
                                                     VARIANT, TASK_LOGON_TYPE logon, VARIANT,
                                                     IRegisteredTask** registered) override
    {
        Locked locked;
        const std::wstring key = name ? name : L"";
        Definition* const ours = dynamic_cast<Definition*>(definition);
        const bool exists = Tasks().count(key) != 0;
        const HRESULT hr = Record(
            m_name, L"RegisterTaskDefinition", key + L" " + std::to_wstring(flags) + L" " + std::to_wstring(logon),
            !ours ? E_INVALIDARG
            : exists && !(flags & TASK_UPDATE) ? HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)
            : !exists && !(flags & TASK_CREATE) ? NotFound()
                                                : S_OK);
        if (registered)
            *registered = nullptr;
        if (FAILED(hr))
            return hr;
        if (exists)
            Forget(Tasks()[key]);
        Tasks()[key] = Task{Shared(ours)};
        bool onRegistration = false;
        for (const Trigger* trigger : ours->m_triggers->m_items)
            onRegistration = onRegistration || trigger->m_type == TASK_TRIGGER_REGISTRATION;
        if (onRegistration) {
            const HANDLE thread = CreateThread(nullptr, 0, StartTask, new std::wstring(key), 0, nullptr);
            if (thread)
                CloseHandle(thread);
        }
        if (registered)
            *registered = new RegisteredTask(key);
        return S_OK;
    }
    NOT_IMPLEMENTED(get_Name, BSTR*)
    NOT_IMPLEMENTED(get_Path, BSTR*)
    NOT_IMPLEMENTED(GetFolder, BSTR, ITaskFolder**)
    NOT_IMPLEMENTED(GetFolders, LONG, ITaskFolderCollection**)
    NOT_IMPLEMENTED(CreateFolder, BSTR, VARIANT, ITaskFolder**)
    NOT_IMPLEMENTED(DeleteFolder, BSTR, LONG)
    NOT_IMPLEMENTED(GetTasks, LONG, IRegisteredTaskCollection**)
    NOT_IMPLEMENTED(RegisterTask, BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT, IRegisteredTask**)
    NOT_IMPLEMENTED(GetSecurityDescriptor, LONG, BSTR*)
    NOT_IMPLEMENTED(SetSecurityDescriptor, BSTR, LONG)

private:
    static HRESULT NotFound() { return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND); }
};

class Service : public Object<ITaskService> {
public:
    Service() : Object(L"Service") {}
    HRESULT STDMETHODCALLTYPE Connect(VARIANT, VARIANT, VARIANT, VARIANT) override
    {
        const HRESULT hr = Record(m_name, L"Connect", L"");
        m_connected = m_connected || SUCCEEDED(hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override
    {
        const std::wstring where = path ? path : L"";
        const HRESULT hr = Record(m_name, L"GetFolder", where,
                                  !m_connected       ? HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED)
                                  : where == L"\\" ? S_OK
                                                     : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        *folder = SUCCEEDED(hr) ? new Folder : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** definition) override
    {
        const HRESULT hr =
            Record(m_name, L"NewTask", std::to_wstring(flags), m_connected ? S_OK : HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED));
        *definition = SUCCEEDED(hr) ? new Definition : nullptr;
        return hr;
    }
    NOT_IMPLEMENTED(get_Connected, VARIANT_BOOL*)
    NOT_IMPLEMENTED(GetRunningTasks, LONG, IRunningTaskCollection**)
    NOT_IMPLEMENTED(get_TargetServer, BSTR*)
    NOT_IMPLEMENTED(get_ConnectedUser, BSTR*)
    NOT_IMPLEMENTED(get_ConnectedDomain, BSTR*)
    NOT_IMPLEMENTED(get_HighestVersion, DWORD*)

private:
    bool m_connected = false;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Service* service = new Service;
        const HRESULT hr = service->QueryInterface(iid, out);
        service->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    static Factory factory;
    *out = nullptr;
    return clsid == kClsidTaskScheduler ? factory.QueryInterface(iid, out) : CLASS_E_CLASSNOTAVAILABLE;
}

// Its tasks live in this DLL: it stays loaded.
extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}
