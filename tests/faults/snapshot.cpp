// Snapshots of the machine and their difference: see snapshot.h.
#include "snapshot.h"

#include <cwchar>

namespace faults {

namespace {

std::wstring Hex(unsigned long long value, int digits)
{
    WCHAR text[32];
    swprintf(text, 32, L"%0*llx", digits, value);
    return text;
}

std::wstring Time(const FILETIME& time)
{
    return Hex((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime, 16);
}

void Put(MachineState* state, ItemKind kind, const std::wstring& path, const std::wstring& props)
{
    (*state)[std::wstring(1, static_cast<wchar_t>(kind)) + L"|" + Upper(path)] = StateItem{kind, path, props};
}

void WalkFolder(MachineState* state, const std::wstring& folder, int depth, const std::wstring& prefix)
{
    const std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L".." && Upper(name).compare(0, prefix.size(), Upper(prefix)) == 0)
            entries.push_back(data);
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    for (const WIN32_FIND_DATAW& entry : entries) {
        const std::wstring path = base + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Put(state, ItemKind::Folder, path, L"attr=" + Hex(entry.dwFileAttributes, 4));
            if (depth != 0 && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                WalkFolder(state, path, depth < 0 ? -1 : depth - 1, L"");
            continue;
        }
        // Times and attributes before the read; the read puts the access time back.
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
            Put(state, ItemKind::File, path, L"unreadable");
            continue;
        }
        const std::wstring hash = FileHash(path);
        const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        Put(state, ItemKind::File, path,
            L"size=" + std::to_wstring(size) + L" attr=" + Hex(info.dwFileAttributes, 4) +
                L" hash=" + (hash.empty() ? L"unreadable" : hash) + L" created=" + Time(info.ftCreationTime) +
                L" written=" + Time(info.ftLastWriteTime));
    }
}

void WalkKey(MachineState* state, HKEY root, const std::wstring& path, bool valuesOnly)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    const std::wstring name = (root == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"HKCU\\") + path;
    if (!valuesOnly)
        Put(state, ItemKind::Key, name, L"");
    DWORD largest = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &largest, nullptr,
                     nullptr);
    std::vector<BYTE> data(largest + 2);
    WCHAR valueName[16384];
    for (DWORD i = 0, nameLength = 16384, type = 0, size = static_cast<DWORD>(data.size());
         RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
         ++i, nameLength = 16384, size = static_cast<DWORD>(data.size())) {
        std::wstring props = L"type=" + std::to_wstring(type) + L" data=";
        for (DWORD b = 0; b < size; ++b)
            props += Hex(data[b], 2);
        Put(state, ItemKind::Value, name + L"\\" + valueName, props);
    }
    std::vector<std::wstring> children;
    WCHAR child[256];
    DWORD length = 256;
    while (!valuesOnly && RegEnumKeyExW(key, static_cast<DWORD>(children.size()), child, &length, nullptr, nullptr,
                                        nullptr, nullptr) == ERROR_SUCCESS) {
        children.push_back(child);
        length = 256;
    }
    RegCloseKey(key);
    for (const std::wstring& sub : children)
        WalkKey(state, root, path + L"\\" + sub, false);
}

} // namespace

std::wstring Upper(const std::wstring& text)
{
    std::wstring upper = text;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

bool Below(const std::wstring& path, const std::wstring& folder)
{
    const std::wstring p = Upper(path);
    std::wstring f = Upper(folder);
    while (f.size() > 3 && f.back() == L'\\')
        f.pop_back();
    return !f.empty() && p.compare(0, f.size(), f) == 0 &&
           (p.size() == f.size() || f.back() == L'\\' || p[f.size()] == L'\\');
}

std::wstring FileHash(const std::wstring& path)
{
    // With the right to put the access time back, or else without.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    const bool restore = file != INVALID_HANDLE_VALUE;
    if (!restore)
        file = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                           nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"";
    FILETIME created = {}, accessed = {}, written = {};
    GetFileTime(file, &created, &accessed, &written);
    static unsigned char buffer[1 << 20];
    unsigned long long hash = 1469598103934665603ull;  // FNV-1a, 64 bits
    DWORD read = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr)) && read > 0) {
        for (DWORD i = 0; i < read; ++i)
            hash = (hash ^ buffer[i]) * 1099511628211ull;
    }
    if (restore)
        SetFileTime(file, nullptr, &accessed, nullptr);
    CloseHandle(file);
    return ok ? Hex(hash, 16) : L"";
}

MachineState TakeSnapshot(const SnapshotScope& scope)
{
    MachineState state;
    for (const auto& key : scope.keys)
        WalkKey(&state, key.root, key.path, key.valuesOnly);
    for (const auto& folder : scope.folders) {
        const DWORD attrs = GetFileAttributesW(folder.path.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (folder.prefix.empty())
            Put(&state, ItemKind::Folder, folder.path, L"attr=" + Hex(attrs, 4));
        WalkFolder(&state, folder.path, folder.depth, folder.prefix);
    }
    return state;
}

std::vector<Change> Diff(const MachineState& before, const MachineState& after)
{
    std::vector<Change> changes;
    for (const auto& [key, item] : before) {
        const auto now = after.find(key);
        if (now == after.end())
            changes.push_back({ChangeKind::Removed, item.kind, item.path, item.props, L""});
        else if (now->second.props != item.props)
            changes.push_back({ChangeKind::Changed, item.kind, item.path, item.props, now->second.props});
    }
    for (const auto& [key, item] : after) {
        if (!before.count(key))
            changes.push_back({ChangeKind::Added, item.kind, item.path, L"", item.props});
    }
    return changes;
}

std::wstring Property(const std::wstring& props, const std::wstring& name)
{
    const std::wstring key = L" " + name + L"=";
    const size_t at = (L" " + props).find(key);
    if (at == std::wstring::npos)
        return L"";
    const size_t start = at + key.size() - 1;
    return props.substr(start, props.find(L' ', start) - start);
}

std::wstring Describe(const Change& change)
{
    const wchar_t* signs[] = {L"+ ", L"- ", L"~ "};
    std::wstring text = signs[static_cast<int>(change.kind)];
    text += std::wstring(1, static_cast<wchar_t>(change.item)) + L" " + change.path;
    for (const wchar_t* name : {L"type", L"data", L"size", L"attr", L"hash", L"created", L"written"}) {
        const std::wstring was = Property(change.before, name), now = Property(change.after, name);
        if (was != now)
            text += std::wstring(L" ") + name + L" " + was.substr(0, 40) + L"->" + now.substr(0, 40);
    }
    return text;
}

} // namespace faults
