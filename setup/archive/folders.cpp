#include "folders.h"

#include <windows.h>

#include <cwchar>

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void CreateLevels(const wchar_t* base, size_t baseLength, const wchar_t* relative, size_t length) {
    if (length == 0) return;
    size_t last = length;
    for (size_t i = length; i > 0; --i) {
        if (relative[i - 1] == L'\\' || relative[i - 1] == L'/') {
            last = i - 1;
            break;
        }
    }
    if (last != length) CreateLevels(base, baseLength, relative, last);
    wchar_t path[MAX_PATH];
    std::wmemcpy(path, base, baseLength);
    std::wmemcpy(path + baseLength, relative, length);
    path[baseLength + length] = L'\0';
    if (!Exists(path)) CreateDirectoryW(path, nullptr);
}

} // namespace

bool CreateEntryFolders(const wchar_t* base, const wchar_t* relative, size_t length) {
    size_t baseLength = base != nullptr ? std::wcslen(base) : 0;
    if (baseLength + length >= MAX_PATH) return false;
    if (length != 0) {
        // When the deepest folder is there, so are all above it: one look
        // instead of one per level (entries of one folder follow each other).
        wchar_t path[MAX_PATH];
        std::wmemcpy(path, base != nullptr ? base : L"", baseLength);
        std::wmemcpy(path + baseLength, relative, length);
        path[baseLength + length] = L'\0';
        if (Exists(path)) return true;
    }
    if (baseLength != 0 && !Exists(base)) CreateDirectoryW(base, nullptr);
    CreateLevels(base != nullptr ? base : L"", baseLength, relative, length);
    return true;
}
