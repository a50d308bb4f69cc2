#include "path_naming.h"

#include <cwchar>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t AsciiUpper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The part of a component before its first '.', without the spaces that
// end it, is what Windows compares with its device names.
bool IsDeviceName(const std::wstring& component)
{
    std::wstring base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (wchar_t& c : base)
        c = AsciiUpper(c);
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL")
        return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool ComponentFollowsRules(const std::wstring& component)
{
    if (component.empty() || component == L"." || component == L"..")
        return true;
    for (const wchar_t c : component) {
        if (c < 0x20 || std::wcschr(L"<>\"|?*:", c))
            return false;
    }
    const wchar_t last = component.back();
    return last != L'.' && last != L' ' && !IsDeviceName(component);
}

} // namespace

bool FollowsNamingRules(const std::wstring& path)
{
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == L'.' && IsSeparator(path[3]))
        return false;
    // A drive's letter and colon are the only place a colon may stand.
    size_t start = path.size() >= 2 && path[1] == L':' && IsAsciiLetter(path[0]) ? 2 : 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        if (!ComponentFollowsRules(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}
