#include "paths.h"

#include <windows.h>

std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative)
{
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    for (wchar_t c : relative)
        path += c == L'/' ? L'\\' : c;
    return path;
}

std::wstring ParentPath(const std::wstring& path)
{
    std::wstring parent = path;
    while (!parent.empty() && (parent.back() == L'\\' || parent.back() == L'/'))
        parent.pop_back();
    const size_t slash = parent.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return std::wstring();
    parent.erase(slash);
    if (parent.size() <= 2 && parent.find(L':') != std::wstring::npos)
        return std::wstring();
    return parent;
}

std::wstring NormalisePath(const std::wstring& path)
{
    if (path.empty() || path.find_first_of(L"*?\"<>|") != std::wstring::npos)
        return std::wstring();
    std::wstring input = path;
    for (wchar_t& c : input) {
        if (c == L'/')
            c = L'\\';
    }
    const bool hasDrive = input.size() >= 3 && input[1] == L':' && input[2] == L'\\';
    const bool isShare = input.compare(0, 2, L"\\\\") == 0;
    if (!hasDrive && !isShare)
        return std::wstring();
    WCHAR full[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameW(input.c_str(), MAX_PATH * 2, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 2)
        return std::wstring();
    std::wstring result(full, length);
    while (result.size() > 3 && result.back() == L'\\')
        result.pop_back();
    return result;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    const std::wstring na = NormalisePath(a);
    const std::wstring nb = NormalisePath(b);
    return !na.empty() && !nb.empty() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, na.c_str(), static_cast<int>(na.size()), nb.c_str(),
                          static_cast<int>(nb.size())) == CSTR_EQUAL;
}

std::wstring RelativeName(std::wstring name)
{
    for (wchar_t& c : name) {
        if (c == L'/')
            c = L'\\';
    }
    while (!name.empty() && name.back() == L'\\')
        name.pop_back();
    return name;
}

std::wstring FoldCase(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring FullPath(const std::wstring& text)
{
    const DWORD size = text.empty() ? 0 : GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return text;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(text.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return text;
    full.resize(length);
    return full;
}
