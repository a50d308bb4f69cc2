// Small RAII helpers and readers for tests that run under Wine against the
// real system: a scratch folder, child processes (the test helper among
// them), file contents and folder trees, registry values, shell links. They
// use the plain Windows calls and the standard library's files and folders
// (COM through the ComPtr of handles/com_ptr.h), never the code under test,
// and clean up after themselves when they go out of scope. Real mouse and
// keyboard input is skin/shot's pointer.h (velt_input).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
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

// A child process; terminated (if still running) and closed on destruction.
class ChildProcess {
public:
    // Starts `exe` with `args` (already quoted as needed). When `readyEvent` is
    // not empty, creates that event first and Start waits up to 20 s for the
    // child to set it. Returns false when the process did not start or never
    // became ready.
    bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& readyEvent = L"");
    // Starts `exe` with `args` in `workDir` as its current directory.
    bool StartIn(const std::wstring& workDir, const std::wstring& exe, const std::wstring& args);
    // The test helper (velt_test_helper.exe beside the test program), copied
    // to `asPath` first when that is given (its folders are made), sleeping
    // until it is ended; returns once it runs.
    bool StartSleeper(const std::wstring& asPath = L"");
    // The test helper holding `file` open without sharing until it is ended.
    bool StartHolder(const std::wstring& file);
    DWORD Id() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
    bool WaitExit(DWORD ms) { return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }
    // The exit code of an ended process; -1 while it runs or when none started.
    int ExitCode() const;
    void Terminate();
    ~ChildProcess();

private:
    friend int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output, DWORD ms);
    PROCESS_INFORMATION m_pi = {};
};

// The program file of process `pid`, which is ended then (its exit is
// waited for, at most 10 s); empty when it cannot be opened.
std::wstring EndProcess(DWORD pid);

// Runs `exe` with `args` until it ends (at most ms), with its standard output
// and error collected into *output when that is given; returns its exit code,
// or -1 when it did not start or end in time (then it is terminated).
int RunProgram(const std::wstring& exe, const std::wstring& args, std::string* output = nullptr,
               DWORD ms = 60000);

// The id of a running process named `exe` ("cmd.exe") that process `parent`
// started; 0 when there is none. Ids are not reused while a handle to the
// parent is open, so hold one when the parent may have ended.
DWORD RunningChild(DWORD parent, const wchar_t* exe);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);
// A file's bytes, or "<missing>" when it cannot be read.
std::string FileContent(const std::wstring& path);
inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool MakeDirs(const std::wstring& path);
std::wstring UniqueName(const std::wstring& prefix);
// UTF-16 text as UTF-8 bytes, and back (invalid bytes become U+FFFD).
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& bytes);

// Deletes a folder tree (or a file), read-only items too, with plain file
// calls (no shell); true when it is gone. Links planted by PlantLink below it
// are taken back first; any other folder link is neither entered nor
// deleted (Wine would act on its target), so the tree then stays.
bool RemoveTree(const std::wstring& path);
// Copies a folder tree (files and folders); false when something failed.
bool CopyTree(const std::wstring& from, const std::wstring& to);
// Every file and folder below `dir`, relative ("res\\profile.xml"), sorted.
std::vector<std::wstring> Tree(const std::wstring& dir);

// Registry reading with the plain calls: a key exists (in the registry view
// `view` gives, KEY_WOW64_64KEY or KEY_WOW64_32KEY, 0: this program's); a
// value exists; a string value ("<none>" when the key or value is missing or
// no string; its type into *type when given); the names of a key's values.
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name);
std::wstring RegString(HKEY root, const std::wstring& path, const wchar_t* name, DWORD* type = nullptr);
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path);
// Writes a string value (REG_SZ), making the key when it is missing, in the
// registry view `view` gives (0: this program's).
bool SetRegString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& data,
                  REGSAM view = 0);

// Replaces a folder's access list with the one of `sddl` ("D:P(...)"),
// protected from inheritance; false when it could not be set.
bool SetFolderDacl(const std::wstring& folder, const wchar_t* sddl);

// A shell link's target; "<none>" when it cannot be read, "<icon differs>"
// when its icon is not the target's first icon.
std::wstring LinkTarget(const std::wstring& link);

// This is a 32-bit program on a 64-bit Windows (WOW64: its registry view is
// the 32-bit one, its System32 is redirected to SysWOW64).
bool RunsUnderWow64();

// Two 0x..RRGGBB colours differ by at most `tolerance` in every channel.
inline bool ColoursNear(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

// A VARIANT naming child `id` of an IAccessible (VT_I4), as screen readers
// pass it.
inline VARIANT ChildId(LONG id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

} // namespace testing_support
