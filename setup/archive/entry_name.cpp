#include "entry_name.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT kNameCodePage = 936;

volatile bool g_simulateMissingCodePage = false;

// A C0 or C1 control character: never part of a name a person made.
bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Moves the text from `from` on to the start of `name`.
void KeepFrom(wchar_t* name, const wchar_t* from) {
    std::wmemmove(name, from, std::wcslen(from) + 1);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A name of the short form Windows gives long names ("UNINST~1.EXE"): at most
// 8 units before the last dot, at most 3 after it, and a '~' followed by a
// digit before the dot. Such a name may open another, long-named file.
bool LooksLikeShortAlias(const wchar_t* component, size_t length) {
    size_t dot = length;
    for (size_t i = length; i > 0; --i) {
        if (component[i - 1] == L'.') {
            dot = i - 1;
            break;
        }
    }
    if (dot > 8 || (dot < length && length - dot - 1 > 3)) return false;
    for (size_t i = 0; i + 1 < dot; ++i) {
        if (component[i] == L'~' && component[i + 1] >= L'0' && component[i + 1] <= L'9') return true;
    }
    return false;
}

} // namespace

bool DecodeEntryName(const char* bytes, size_t length, bool utf8, wchar_t* out, size_t capacity) {
    if (capacity == 0) return false;
    out[0] = L'\0';
    if (length == 0) return true;
    if (length > 0x7FFFFFFF || capacity > 0x7FFFFFFF) return false;
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] == '\0') return false;
    }
    const bool fallback = !utf8 && (g_simulateMissingCodePage || !IsValidCodePage(kNameCodePage));
    const UINT codePage = utf8 ? CP_UTF8 : fallback ? CP_ACP : kNameCodePage;
    int units = MultiByteToWideChar(codePage, fallback ? MB_ERR_INVALID_CHARS : 0, bytes, static_cast<int>(length),
                                    out, static_cast<int>(capacity - 1));
    for (int i = 0; fallback && i < units; ++i) {
        if (IsControl(out[i])) units = 0;
    }
    if (units <= 0) {
        out[0] = L'\0';
        return false;
    }
    out[units] = L'\0';
    return true;
}

void SimulateMissingNameCodePage(bool missing) { g_simulateMissingCodePage = missing; }

void SanitiseEntryName(wchar_t* name) {
    static const wchar_t* const kClimbs[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (;;) {
        if (name[0] != L'\0' && name[1] == L':') {
            KeepFrom(name, name + 2);
            continue;
        }
        if (name[0] == L'\\' || name[0] == L'/') {
            KeepFrom(name, name + 1);
            continue;
        }
        bool changed = false;
        for (const wchar_t* climb : kClimbs) {
            const wchar_t* found = std::wcsstr(name, climb);
            if (found != nullptr) {
                KeepFrom(name, found + 4);
                changed = true;
                break;
            }
        }
        if (!changed) return;
    }
}

bool IsAbsoluteName(const wchar_t* name) {
    if (IsSeparator(name[0])) return true;
    return name[0] != L'\0' && name[1] == L':';
}

bool IsPlainEntryName(const wchar_t* name) {
    const wchar_t* start = name;
    for (const wchar_t* p = name;; ++p) {
        if (*p == L':') return false;
        if (*p != L'\0' && !IsSeparator(*p)) continue;
        const size_t length = static_cast<size_t>(p - start);
        const bool dots = (length == 1 && start[0] == L'.') || (length == 2 && start[0] == L'.' && start[1] == L'.');
        if (length != 0 && !dots) {
            if (p[-1] == L'.' || p[-1] == L' ') return false;
            if (LooksLikeShortAlias(start, length)) return false;
        }
        if (*p == L'\0') return true;
        start = p + 1;
    }
}

bool HasParentComponent(const wchar_t* name) {
    const wchar_t* start = name;
    for (const wchar_t* p = name;; ++p) {
        if (*p == L'\0' || IsSeparator(*p)) {
            if (p - start == 2 && start[0] == L'.' && start[1] == L'.') return true;
            if (*p == L'\0') return false;
            start = p + 1;
        }
    }
}
