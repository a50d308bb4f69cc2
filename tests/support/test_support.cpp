#include "test_support.h"

#include "file_handle.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include "wait_until.h"

namespace testing_support {

std::wstring ModuleDir()
{
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return path;
}

std::wstring UniqueName(const std::wstring& prefix)
{
    static LONG counter = 0;
    WCHAR buffer[128];
    wsprintfW(buffer, L"%s-%lu-%lu-%ld", prefix.c_str(), GetCurrentProcessId(), GetTickCount(),
              InterlockedIncrement(&counter));
    return buffer;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirs(const std::wstring& path)
{
    if (path.empty() || Exists(path))
        return true;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 2)
        MakeDirs(path.substr(0, slash));
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

// Calls visit(name, isDirectory) for each entry directly in `dir`.
template <typename Visit>
void ForEachChild(const std::wstring& dir, Visit visit)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace

bool RemoveTree(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attrs & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileW(path.c_str()) != 0;
    ForEachChild(path, [&](const std::wstring& name, bool) { RemoveTree(path + L"\\" + name); });
    return RemoveDirectoryW(path.c_str()) != 0;
}

ScratchDir::ScratchDir(const std::wstring& hint)
{
    WCHAR temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + UniqueName(hint);
    MakeDirs(m_path);
}

ScratchDir::~ScratchDir()
{
    RemoveTree(m_path);
}

ScratchKey::ScratchKey() : m_path(L"Software\\VeltTests\\" + UniqueName(L"key"))
{
    RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
}

ScratchKey::~ScratchKey()
{
    if (m_key)
        RegCloseKey(m_key);
    SHDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
}

namespace {

// Starts "exe" args with `workDir` (empty: this one's) as its current
// directory; with `output`, its standard output and error go there.
bool Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, PROCESS_INFORMATION* pi,
            HANDLE output = nullptr, DWORD flags = 0)
{
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = si.hStdError = output;
    }
    return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr, flags, nullptr,
                          workDir.empty() ? nullptr : workDir.c_str(), &si, pi) != 0;
}

} // namespace

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& readyEvent)
{
    HANDLE event = readyEvent.empty() ? nullptr : CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str());
    bool ok = Launch(exe, args, L"", &m_pi);
    if (ok && event)
        ok = WaitForSingleObject(event, 20000) == WAIT_OBJECT_0;
    if (event)
        CloseHandle(event);
    return ok;
}

bool ChildProcess::StartIn(const std::wstring& workDir, const std::wstring& exe, const std::wstring& args)
{
    return Launch(exe, args, workDir, &m_pi);
}

bool ChildProcess::StartSleeper(const std::wstring& asPath)
{
    std::wstring exe = ModuleDir() + L"\\velt_test_helper.exe";
    if (!asPath.empty()) {
        MakeDirs(asPath.substr(0, asPath.find_last_of(L'\\')));
        if (!CopyFileW(exe.c_str(), asPath.c_str(), FALSE))
            return false;
        exe = asPath;
    }
    const std::wstring event = UniqueName(L"sleeper");
    return Start(exe, L"sleep 600000 " + event, event);
}

bool ChildProcess::StartHolder(const std::wstring& file)
{
    const std::wstring event = UniqueName(L"holder");
    return Start(ModuleDir() + L"\\velt_test_helper.exe", L"hold \"" + file + L"\" 600000 " + event, event);
}

int ChildProcess::ExitCode() const
{
    DWORD code = 0;
    if (!m_pi.hProcess || WaitForSingleObject(m_pi.hProcess, 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(m_pi.hProcess, &code))
        return -1;
    return static_cast<int>(code);
}

bool ChildProcess::WaitExit(DWORD ms)
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

void ChildProcess::Terminate()
{
    if (m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
}

ChildProcess::~ChildProcess()
{
    Terminate();
    if (m_pi.hThread)
        CloseHandle(m_pi.hThread);
    if (m_pi.hProcess)
        CloseHandle(m_pi.hProcess);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(file);
    return true;
}

DWORD RunningChild(DWORD parent, const wchar_t* exe)
{
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid())
        return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == parent && lstrcmpiW(entry.szExeFile, exe) == 0)
            return entry.th32ProcessID;
    }
    return 0;
}

int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output, DWORD ms)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (output && !CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    if (readEnd)
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION pi = {};
    const bool started = Launch(exe, args, L"", &pi, writeEnd, CREATE_NO_WINDOW);
    if (writeEnd)
        CloseHandle(writeEnd);
    DWORD code = static_cast<DWORD>(-1);
    if (started) {
        if (output) {
            output->clear();
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
                output->append(buffer, got);
        }
        if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (readEnd)
        CloseHandle(readEnd);
    return static_cast<int>(code);
}

std::string FileContent(const std::wstring& path)
{
    std::string bytes;
    return ReadBytes(path, &bytes) ? bytes : "<missing>";
}

bool CopyTree(const std::wstring& from, const std::wstring& to)
{
    bool ok = MakeDirs(to);
    for (const std::wstring& name : Tree(from)) {
        const std::wstring source = from + L"\\" + name;
        if (GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            ok = MakeDirs(to + L"\\" + name) && ok;
        else
            ok = CopyFileW(source.c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    }
    return ok;
}

namespace {

void Collect(const std::wstring& dir, const std::wstring& prefix, std::vector<std::wstring>* out)
{
    ForEachChild(dir, [&](const std::wstring& name, bool isDirectory) {
        out->push_back(prefix + name);
        if (isDirectory)
            Collect(dir + L"\\" + name, prefix + name + L"\\", out);
    });
}

} // namespace

std::vector<std::wstring> Tree(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    Collect(dir, L"", &names);
    std::sort(names.begin(), names.end());
    return names;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name)
{
    return SHGetValueW(root, path.c_str(), name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool SetRegString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& data)
{
    return SHSetValueW(root, path.c_str(), name, REG_SZ, data.c_str(),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring RegString(HKEY root, const std::wstring& path, const wchar_t* name, DWORD* type)
{
    WCHAR data[1024] = {};
    DWORD bytes = sizeof data - sizeof(WCHAR);
    DWORD kind = REG_NONE;
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegQueryValueExW(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &bytes);
        RegCloseKey(key);
    }
    if (type)
        *type = kind;
    return rc == ERROR_SUCCESS && (kind == REG_SZ || kind == REG_EXPAND_SZ) ? std::wstring(data) : L"<none>";
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = 256;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

std::wstring LinkTarget(const std::wstring& link)
{
    const bool com = SUCCEEDED(CoInitialize(nullptr));
    std::wstring target = L"<none>";
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR path[MAX_PATH] = {};
            WCHAR icon[MAX_PATH] = {};
            int index = -1;
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) &&
                SUCCEEDED(shellLink->GetIconLocation(icon, MAX_PATH, &index)))
                target = lstrcmpiW(path, icon) == 0 && index == 0 ? std::wstring(path) : L"<icon differs>";
            file->Release();
        }
        shellLink->Release();
    }
    if (com)
        CoUninitialize();
    return target;
}

} // namespace testing_support
