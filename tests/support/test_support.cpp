#include "test_support.h"

#include "com_ptr.h"
#include "file_handle.h"
#include "plant_link.h"
#include "system_dll.h"

#include <aclapi.h>
#include <psapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

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
    return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(InterlockedIncrement(&counter));
}

bool MakeDirs(const std::wstring& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    return path.empty() || Exists(path);
}

namespace {

// Deletes what is below `folder` and then the folder, never entering or
// deleting a folder that is a link (Wine would act on its target): the links
// the tests planted are taken back by the planter first.
void RemoveBelow(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveBelow(path);
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace

bool RemoveTree(const std::wstring& path)
{
    RemovePlantedLinks(path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return attributes == INVALID_FILE_ATTRIBUTES;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveBelow(path);
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
    return !Exists(path);
}

ScratchDir::ScratchDir(const std::wstring& hint) : m_path((fs::temp_directory_path() / UniqueName(hint)).wstring())
{
    MakeDirs(m_path);
}

ScratchDir::~ScratchDir()
{
    RemoveTree(m_path);
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
    si.dwFlags = output ? STARTF_USESTDHANDLES : 0;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = output;
    return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr, flags, nullptr,
                          workDir.empty() ? nullptr : workDir.c_str(), &si, pi) != 0;
}

} // namespace

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& readyEvent)
{
    const FileHandle event(readyEvent.empty() ? nullptr : CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str()));
    return Launch(exe, args, L"", &m_pi) &&
           (!event.Valid() || WaitForSingleObject(event.Get(), 20000) == WAIT_OBJECT_0);
}

bool ChildProcess::StartIn(const std::wstring& workDir, const std::wstring& exe, const std::wstring& args)
{
    return Launch(exe, args, workDir, &m_pi);
}

bool ChildProcess::StartSleeper(const std::wstring& asPath)
{
    const std::wstring helper = ModuleDir() + L"\\velt_test_helper.exe", event = UniqueName(L"sleeper");
    if (!asPath.empty() && !(MakeDirs(asPath.substr(0, asPath.find_last_of(L'\\'))) &&
                             CopyFileW(helper.c_str(), asPath.c_str(), FALSE)))
        return false;
    return Start(asPath.empty() ? helper : asPath, L"sleep 600000 " + event, event);
}

bool ChildProcess::StartHolder(const std::wstring& file)
{
    const std::wstring event = UniqueName(L"holder");
    return Start(ModuleDir() + L"\\velt_test_helper.exe", L"hold \"" + file + L"\" 600000 " + event, event);
}

int ChildProcess::ExitCode() const
{
    DWORD code = 0;
    const bool ended = m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(m_pi.hProcess, &code) ? static_cast<int>(code) : -1;
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
    const FileHandle thread(m_pi.hThread), process(m_pi.hProcess);  // closed as they go
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(fs::path(path), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();  // nothing for an empty file
    *bytes = content.str();
    return true;
}

DWORD RunningChild(DWORD parent, const wchar_t* exe)
{
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == parent && lstrcmpiW(entry.szExeFile, exe) == 0)
            return entry.th32ProcessID;
    }
    return 0;
}

std::wstring EndProcess(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                 FALSE, pid);
    if (!process)
        return L"";
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameExW(process, nullptr, path, MAX_PATH);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    return path;
}

int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output, DWORD ms)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (output && !CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    const FileHandle reader(readEnd);
    FileHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    ChildProcess child;  // ended when it runs longer than `ms`
    if (!Launch(exe, args, L"", &child.m_pi, writeEnd, CREATE_NO_WINDOW))
        return -1;
    writer.Close();
    if (output)
        output->clear();
    // Read what is there while the program runs, and what is left once it
    // ended: not up to the pipe's end, which a process the program started
    // (Wine's console host or desktop) may keep open after it.
    const DWORD start = GetTickCount();
    for (bool ended = !output; !ended;) {
        ended = child.WaitExit(20) || GetTickCount() - start >= ms;
        char buffer[4096];
        DWORD waiting = 0, got = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
               ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            output->append(buffer, got);
    }
    const DWORD spent = GetTickCount() - start;
    return child.WaitExit(spent < ms ? ms - spent : 0) ? child.ExitCode() : -1;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

std::wstring FromUtf8(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                    static_cast<int>(text.size())));
    return text;
}

std::string FileContent(const std::wstring& path)
{
    std::string bytes;
    return ReadBytes(path, &bytes) ? bytes : "<missing>";
}

bool CopyTree(const std::wstring& from, const std::wstring& to)
{
    std::error_code error;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    return !error;
}

std::vector<std::wstring> Tree(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().lexically_relative(dir).wstring());
    std::sort(names.begin(), names.end());
    return names;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    HKEY key = nullptr;
    const bool exists = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name)
{
    return SHGetValueW(root, path.c_str(), name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool SetRegString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& data,
                  REGSAM view)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::wstring RegString(HKEY root, const std::wstring& path, const wchar_t* name, DWORD* type)
{
    WCHAR data[1024] = {};
    DWORD bytes = sizeof data - sizeof(WCHAR), kind = REG_NONE;
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExW(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    if (type)
        *type = kind;
    return rc == ERROR_SUCCESS && (kind == REG_SZ || kind == REG_EXPAND_SZ) ? std::wstring(data) : L"<none>";
}

std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    WCHAR name[256];
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0, length = 256; RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, length = 256)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

bool RunsUnderWow64()
{
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = SystemFunction<IsWow64Fn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow) && wow;
}

bool SetFolderDacl(const std::wstring& folder, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    const bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr) &&
                     GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) &&
                     SetNamedSecurityInfoW(const_cast<LPWSTR>(folder.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(sd);
    return set;
}

std::wstring LinkTarget(const std::wstring& link)
{
    const ComScope com;
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    WCHAR path[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int index = -1;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shellLink.OutVoid())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.OutVoid())) ||
        FAILED(file->Load(link.c_str(), STGM_READ)) || FAILED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) ||
        FAILED(shellLink->GetIconLocation(icon, MAX_PATH, &index)))
        return L"<none>";
    return lstrcmpiW(path, icon) == 0 && index == 0 ? std::wstring(path) : L"<icon differs>";
}

} // namespace testing_support
