#include "free_space.h"

#include <windows.h>

#include <cwchar>

std::wstring FormatFreeMegabytes(unsigned long long freeBytes)
{
    const double megabytes = static_cast<double>(freeBytes) * (1.0 / 1024) * (1.0 / 1024);
    wchar_t text[MAX_PATH] = {};
    std::swprintf(text, MAX_PATH, L"%4.2fMB\n", megabytes);
    return text;
}

std::wstring FreeSpaceFigure(const std::wstring& path)
{
    if (path.size() < 2 || path[1] != L':')
        return std::wstring();
    // The drive letter, its colon and two backslashes, as the page always
    // asked; the system reads it as the volume's root.
    const std::wstring root = path.substr(0, 2) + L"\\\\";
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree))
        return std::wstring();
    return FormatFreeMegabytes(totalFree.QuadPart);
}
