#include "test_support.h"

#include <shlwapi.h>

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

bool RemoveTree(const std::wstring& path)
{
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attrs & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileW(path.c_str()) != 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
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

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& readyEvent)
{
    HANDLE event = nullptr;
    if (!readyEvent.empty())
        event = CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str());
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    bool ok = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &m_pi) != 0;
    if (ok && event)
        ok = WaitForSingleObject(event, 20000) == WAIT_OBJECT_0;
    if (event)
        CloseHandle(event);
    return ok;
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

} // namespace testing_support
