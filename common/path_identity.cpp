#include "path_identity.h"

#include "paths.h"

#include <windows.h>

#include <vector>

namespace {

using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFn FinalPathFunction()
{
    static const FinalPathFn function = [] {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<FinalPathFn>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleW")))
                      : nullptr;
    }();
    return function;
}

std::wstring WithBackslashes(const std::wstring& path)
{
    std::wstring text = path;
    for (wchar_t& c : text) {
        if (c == L'/')
            c = L'\\';
    }
    return text;
}

bool HasDrive(const std::wstring& text)
{
    return text.size() >= 3 && text[1] == L':' && text[2] == L'\\' &&
           ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
}

// The length of the root of a full path: "C:\" or "\\server\share"; 0 when
// the text has neither.
size_t RootLength(const std::wstring& text)
{
    if (HasDrive(text))
        return 3;
    if (text.compare(0, 2, L"\\\\") != 0)
        return 0;
    const size_t server = text.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2)
        return 0;
    const size_t share = text.find(L'\\', server + 1);
    const size_t end = share == std::wstring::npos ? text.size() : share;
    return end > server + 1 ? end : 0;
}

// A full path in a form whose meaning is plain: see the header.
bool IsJudgeable(const std::wstring& path)
{
    const std::wstring text = WithBackslashes(path);
    for (const wchar_t* literal : {L"\\\\?\\", L"\\\\.\\", L"\\??\\"}) {
        if (text.compare(0, 4, literal) == 0)
            return false;
    }
    const size_t root = RootLength(text);
    if (root == 0)
        return false;
    if (!HasDrive(text) && text[root - 1] == L'$')
        return false;  // "\\host\C$", "\\host\ADMIN$"
    if (text.find(L':', HasDrive(text) ? 2 : 0) != std::wstring::npos)
        return false;
    for (size_t start = root; start < text.size();) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start && (text[end - 1] == L'.' || text[end - 1] == L' '))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH ||
           error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_DRIVE || error == ERROR_NOT_READY;
}

// The final name of an existing item; empty when it cannot be had.
std::wstring OwnName(const std::wstring& existing)
{
    std::vector<WCHAR> buffer(32768);
    const FinalPathFn final = FinalPathFunction();
    if (!final) {
        const DWORD length = GetLongPathNameW(existing.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        return length == 0 || length >= buffer.size() ? std::wstring() : std::wstring(buffer.data(), length);
    }
    const HANDLE item = CreateFileW(existing.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE)
        return std::wstring();
    const DWORD finalLength = final(item, buffer.data(), static_cast<DWORD>(buffer.size()), 0 /* VOLUME_NAME_DOS */);
    CloseHandle(item);
    if (finalLength == 0 || finalLength >= buffer.size())
        return std::wstring();
    std::wstring name(buffer.data(), finalLength);
    if (name.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        name = L"\\\\" + name.substr(8);
    else if (name.compare(0, 4, L"\\\\?\\") == 0)
        name.erase(0, 4);
    return RootLength(name) ? name : std::wstring();
}

} // namespace

std::wstring FinalPathOf(const std::wstring& path)
{
    if (!IsJudgeable(path))
        return std::wstring();
    const std::wstring full = NormalisePath(path);
    const size_t root = RootLength(full);
    if (full.empty() || root == 0)
        return std::wstring();
    // The longest part that exists; `rest` is what follows it ("\a\b").
    std::wstring existing = full, rest;
    while (GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (existing.size() <= root)
            return full;  // not even the root can be reached: nothing to resolve
        if (!IsMissing(GetLastError()))
            return std::wstring();
        const size_t slash = existing.find_last_of(L'\\');
        rest = existing.substr(slash) + rest;
        existing.erase(slash < root ? root : slash);
    }
    std::wstring name = OwnName(existing);
    if (name.empty())
        return std::wstring();
    while (name.size() > RootLength(name) && name.back() == L'\\')
        name.pop_back();
    if (!rest.empty() && !name.empty() && name.back() == L'\\')
        rest.erase(0, 1);
    return name + rest;
}

bool IsDisguisedPath(const std::wstring& path)
{
    if (RootLength(WithBackslashes(path)) == 0 && WithBackslashes(path).compare(0, 2, L"\\\\") != 0)
        return false;  // empty or relative: it names nothing yet
    const std::wstring final = FinalPathOf(path);
    const std::wstring full = NormalisePath(path);
    return final.empty() || full.empty() ||
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, final.c_str(), static_cast<int>(final.size()),
                          full.c_str(), static_cast<int>(full.size())) != CSTR_EQUAL;
}
