#include "run_log.h"

#include "path_identity.h"
#include "paths.h"

#include <windows.h>

namespace {

HANDLE g_file = INVALID_HANDLE_VALUE;
CRITICAL_SECTION g_lock;

void Write(const std::string& bytes)
{
    DWORD written = 0;
    WriteFile(g_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

} // namespace

LogOpen OpenRunLog(const std::wstring& path)
{
    if (g_file != INVALID_HANDLE_VALUE)
        return LogOpen::Opened;
    const std::wstring name = FullPath(path);
    if (name.empty())
        return LogOpen::Failed;
    if (IsDisguisedPath(name))
        return LogOpen::Refused;
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LogOpen::Failed;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nNumberOfLinks > 1) {
        CloseHandle(file);
        return LogOpen::Refused;
    }
    if (!SetEndOfFile(file)) {
        CloseHandle(file);
        return LogOpen::Failed;
    }
    InitializeCriticalSection(&g_lock);
    g_file = file;
    Write("\xEF\xBB\xBF");
    return LogOpen::Opened;
}

bool RunLogOpen()
{
    return g_file != INVALID_HANDLE_VALUE;
}

void LogLine(const std::wstring& text)
{
    if (g_file == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char stamp[40];  // wsprintfA (user32), not snprintf: the C library's printf engine is large
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth, now.wDay,
              now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string line = stamp + Utf8(text) + "\r\n";
    EnterCriticalSection(&g_lock);
    Write(line);
    LeaveCriticalSection(&g_lock);
}
