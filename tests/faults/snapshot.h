// Snapshots of the machine state that the product touches, and their
// difference, for the fault suite (fault_runner).
//
// A MachineState holds one item per registry key, registry value, folder and
// file in its scope, under a key made of the item's kind and its upper-cased
// full path (Windows compares these names without regard to case), with a
// text of its properties:
//   key     "HKLM\\SOFTWARE\\...": nothing (its existence);
//   value   "HKLM\\...\\<key>\\<name>": "type=<n> data=<bytes in hex>";
//   folder  "C:\\...": "attr=<hex>" (its attributes; a folder's own times are
//           the file system's account of its entries changing, and are left
//           out);
//   file    "C:\\...\\x": "size=<n> attr=<hex> hash=<64-bit FNV-1a of the
//           bytes> created=<FILETIME> written=<FILETIME>".
// The last-access time is left out: any reader on the machine moves it (the
// host's own programs reading the prefix's files among them; Windows since
// Vista does not even keep it by default), so it tells nothing of what the
// product did. Reading a file for its hash would move it; the snapshot puts
// it back afterwards all the same, so that taking one changes nothing.
//
// Diff lists what was removed or changed, then what was added, each sorted by
// path. Nothing here
// throws; unreadable items are recorded as such ("unreadable").
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace faults {

enum class ItemKind : wchar_t { Key = L'K', Value = L'V', Folder = L'D', File = L'F' };

struct StateItem {
    ItemKind kind;
    std::wstring path;  // as found: "HKLM\\..." or "C:\\..."
    std::wstring props;
};

using MachineState = std::map<std::wstring, StateItem>;

struct SnapshotScope {
    struct KeyTree {
        HKEY root;
        std::wstring path;
        bool valuesOnly;  // the key's own values, no sub-keys (the Run key)
    };
    struct FolderTree {
        std::wstring path;
        int depth;            // levels below path to walk; -1 for all
        std::wstring prefix;  // when not empty: only top-level entries whose name starts with it (any case)
    };
    std::vector<KeyTree> keys;
    std::vector<FolderTree> folders;
};

MachineState TakeSnapshot(const SnapshotScope& scope);

enum class ChangeKind { Added, Removed, Changed };

struct Change {
    ChangeKind kind;
    ItemKind item;
    std::wstring path;
    std::wstring before;  // props before (empty when added)
    std::wstring after;   // props after (empty when removed)
};

std::vector<Change> Diff(const MachineState& before, const MachineState& after);

// "+ F C:\\x size ->12 ...", "- K HKLM\\...", "~ F C:\\x written 01d...->01d..."
std::wstring Describe(const Change& change);

// The named property of a props text ("size", "hash", ...), or empty.
std::wstring Property(const std::wstring& props, const std::wstring& name);

// Upper-cased copy, for comparisons of paths.
std::wstring Upper(const std::wstring& text);
// True when `path` is `folder` or lies below it (paths compared upper-cased).
bool Below(const std::wstring& path, const std::wstring& folder);

// The hash the snapshot records for a file's bytes (its "hash" property), or
// empty when it cannot be read.
std::wstring FileHash(const std::wstring& path);

} // namespace faults
