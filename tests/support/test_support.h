// Small RAII helpers for tests that run under Wine against the real system:
// a scratch folder, a scratch registry key, a child process, file contents.
// They use the plain Windows calls, never the code under test, and clean up
// after themselves when they go out of scope.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Directory of the running test program, without a trailing backslash.
std::wstring ModuleDir();

// A fresh, empty folder below %TEMP%, removed with its content on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const std::wstring& hint = L"velt");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
};

// A fresh key HKCU\Software\VeltTests\<unique>, deleted with its content on destruction.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    HKEY Root() const { return HKEY_CURRENT_USER; }
    const std::wstring& Path() const { return m_path; }
    HKEY Handle() const { return m_key; }

private:
    std::wstring m_path;
    HKEY m_key = nullptr;
};

// A child process; terminated (if still running) and closed on destruction.
class ChildProcess {
public:
    // Starts `exe` with `args` (already quoted as needed). When `readyEvent` is
    // not empty, creates that event first and Start waits up to 20 s for the
    // child to set it. Returns false when the process did not start or never
    // became ready.
    bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& readyEvent = L"");
    DWORD Id() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    bool WaitExit(DWORD ms);
    void Terminate();
    ~ChildProcess();

private:
    PROCESS_INFORMATION m_pi = {};
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);
bool Exists(const std::wstring& path);
bool MakeDirs(const std::wstring& path);
std::wstring UniqueName(const std::wstring& prefix);

// Deletes a folder tree with plain file calls (no shell); true when it is gone.
bool RemoveTree(const std::wstring& path);

} // namespace testing_support
