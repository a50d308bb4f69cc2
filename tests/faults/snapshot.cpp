#include "snapshot.h"

#include <algorithm>
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

std::wstring RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return L"HKLM";
    if (root == HKEY_CURRENT_USER)
        return L"HKCU";
    return L"HK?";
}

void Put(MachineState* state, ItemKind kind, const std::wstring& path, const std::wstring& props)
{
    std::wstring key(1, static_cast<wchar_t>(kind));
    key += L"|" + Upper(path);
    (*state)[key] = StateItem{kind, path, props};
}

class Fnv {
public:
    void Add(const unsigned char* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            m_hash ^= data[i];
            m_hash *= 1099511628211ull;
        }
    }
    unsigned long long Value() const { return m_hash; }

private:
    unsigned long long m_hash = 1469598103934665603ull;
};

// Hashes the file's bytes and puts its last-access time back; empty when it
// cannot be read.
std::wstring HashFile(const std::wstring& path)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    bool restore = true;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        restore = false;
        file = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                           nullptr);
    }
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    FILETIME created = {}, accessed = {}, written = {};
    GetFileTime(file, &created, &accessed, &written);
    Fnv fnv;
    static unsigned char buffer[1 << 20];
    DWORD read = 0;
    bool ok = true;
    for (;;) {
        if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        fnv.Add(buffer, read);
    }
    if (restore)
        SetFileTime(file, nullptr, &accessed, nullptr);
    CloseHandle(file);
    return ok ? Hex(fnv.Value(), 16) : std::wstring();
}

void WalkFolder(MachineState* state, const std::wstring& folder, int depth, const std::wstring& prefix)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + (folder.back() == L'\\' ? L"*" : L"\\*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<WIN32_FIND_DATAW> entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (!prefix.empty() && Upper(name).compare(0, prefix.size(), Upper(prefix)) != 0)
            continue;
        entries.push_back(data);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const WIN32_FIND_DATAW& entry : entries) {
        const std::wstring path = folder + (folder.back() == L'\\' ? L"" : L"\\") + entry.cFileName;
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
        const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        const std::wstring hash = HashFile(path);
        Put(state, ItemKind::File, path,
            L"size=" + std::to_wstring(size) + L" attr=" + Hex(info.dwFileAttributes, 4) +
                L" hash=" + (hash.empty() ? L"unreadable" : hash) + L" created=" + Time(info.ftCreationTime) +
                L" written=" + Time(info.ftLastWriteTime) + L" accessed=" + Time(info.ftLastAccessTime));
    }
}

void WalkKey(MachineState* state, HKEY root, const std::wstring& path, bool valuesOnly)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    const std::wstring name = RootName(root) + L"\\" + path;
    if (!valuesOnly)
        Put(state, ItemKind::Key, name, L"");
    std::vector<BYTE> data(64 * 1024);
    for (DWORD i = 0;; ++i) {
        WCHAR valueName[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG result = RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_MORE_DATA) {
            data.resize(size + 2);
            --i;
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        std::wstring props = L"type=" + std::to_wstring(type) + L" data=";
        for (DWORD b = 0; b < size; ++b)
            props += Hex(data[b], 2);
        Put(state, ItemKind::Value, name + L"\\" + valueName, props);
    }
    if (!valuesOnly) {
        std::vector<std::wstring> children;
        for (DWORD i = 0;; ++i) {
            WCHAR child[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            children.push_back(child);
        }
        for (const std::wstring& child : children)
            WalkKey(state, root, path + L"\\" + child, false);
    }
    RegCloseKey(key);
}

} // namespace

std::wstring Upper(const std::wstring& text)
{
    std::wstring upper = text;
    if (!upper.empty())
        CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    return upper;
}

bool Below(const std::wstring& path, const std::wstring& folder)
{
    if (folder.empty())
        return false;
    const std::wstring p = Upper(path);
    std::wstring f = Upper(folder);
    while (f.size() > 3 && f.back() == L'\\')
        f.pop_back();
    if (p.size() < f.size() || p.compare(0, f.size(), f) != 0)
        return false;
    return p.size() == f.size() || f.back() == L'\\' || p[f.size()] == L'\\';
}

std::wstring FileHash(const std::wstring& path)
{
    return HashFile(path);
}

MachineState TakeSnapshot(const SnapshotScope& scope)
{
    MachineState state;
    for (const auto& key : scope.keys)
        WalkKey(&state, key.root, key.path, key.valuesOnly);
    for (const auto& folder : scope.folders) {
        const DWORD attrs = GetFileAttributesW(folder.path.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!(attrs & FILE_ATTRIBUTE_DIRECTORY))
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
    auto b = before.begin();
    auto a = after.begin();
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) {
            changes.push_back({ChangeKind::Removed, b->second.kind, b->second.path, b->second.props, L""});
            ++b;
        } else if (b == before.end() || a->first < b->first) {
            changes.push_back({ChangeKind::Added, a->second.kind, a->second.path, L"", a->second.props});
            ++a;
        } else {
            if (a->second.props != b->second.props)
                changes.push_back({ChangeKind::Changed, a->second.kind, a->second.path, b->second.props, a->second.props});
            ++a;
            ++b;
        }
    }
    return changes;
}

std::wstring Property(const std::wstring& props, const std::wstring& name)
{
    const std::wstring key = name + L"=";
    size_t at = 0;
    while ((at = props.find(key, at)) != std::wstring::npos) {
        if (at == 0 || props[at - 1] == L' ') {
            const size_t start = at + key.size();
            const size_t end = props.find(L' ', start);
            return props.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        }
        at += key.size();
    }
    return std::wstring();
}

std::wstring Describe(const Change& change)
{
    const std::wstring kind(1, static_cast<wchar_t>(change.item));
    switch (change.kind) {
    case ChangeKind::Added:
        return L"+ " + kind + L" " + change.path + L" (" + change.after.substr(0, 120) + L")";
    case ChangeKind::Removed:
        return L"- " + kind + L" " + change.path;
    case ChangeKind::Changed:
        break;
    }
    std::wstring what;
    for (const wchar_t* name : {L"type", L"data", L"size", L"attr", L"hash", L"created", L"written", L"accessed"}) {
        const std::wstring was = Property(change.before, name);
        const std::wstring now = Property(change.after, name);
        if (was != now)
            what += std::wstring(what.empty() ? L"" : L", ") + name + L" " + was.substr(0, 40) + L"->" + now.substr(0, 40);
    }
    if (what.empty())
        what = change.before.substr(0, 60) + L" -> " + change.after.substr(0, 60);
    return L"~ " + kind + L" " + change.path + L": " + what;
}

} // namespace faults
