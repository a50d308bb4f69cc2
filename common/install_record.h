// The install record: the product's sub-key under the Windows uninstall key,
// under HKEY_LOCAL_MACHINE for an installation for all users and under
// HKEY_CURRENT_USER for one user. The one persistent format that Setup and
// Uninstall share.
//
// Every function returns what it found or a Windows error code, shows
// nothing and keeps no state; keys are closed before a function returns
// (ReadInstallLocation reads from a key the caller owns).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRegistryKey;

// "SOFTWARE\\...\\UNINSTALL\\" + productKey.
std::wstring InstallRecordKeyPath(const std::wstring& productKey);

// Where the record of `productKey` is: under HKEY_LOCAL_MACHINE (allUsers 1),
// else under HKEY_CURRENT_USER (allUsers 0), each opened for reading; the
// key's existence decides. Not found: allUsers 1. A record found only under
// HKEY_CURRENT_USER is `trusted` when its "InstallLocation" (if any) passes
// UserLocationTrusted (record_trust.h); an elevated program that finds an
// untrusted one acts as if nothing were installed and changes nothing.
struct RecordProbe {
    bool found = false;
    int allUsers = 1;
    bool trusted = true;
};
RecordProbe FindInstallRecord(const std::wstring& productKey);

// The record's values, in the order the writer writes them: the four that
// name the product and its uninstall command ("DisplayName",
// "InstallLocation", "Publisher", "UninstallString"; a repair spells the
// last "UnInstallString" and writes it second), then what the Programs list
// and management tools read, the same for both writers:
//   "DisplayVersion"        kProductVersion;
//   "DisplayIcon"           the installed calendar, unquoted, with ",0";
//   "EstimatedSize"         REG_DWORD, `sizeKb`: the payload's files in KB;
//   "InstallDate"           `date`, "yyyymmdd" (a repair's is its own day);
//   "NoModify", "NoRepair"  REG_DWORD 1: the installed folder has no Setup;
//   "QuietUninstallString"  the uninstall command with " /S".
// The rest are REG_SZ.
enum class RecordWriter { Install, Repair };
struct RecordValue {
    const wchar_t* name;
    std::wstring text;  // REG_SZ
    DWORD number = 0;   // REG_DWORD, where `dword` is set
    bool dword = false;
};
std::vector<RecordValue> InstallRecordValues(const std::wstring& installDir, RecordWriter writer, DWORD sizeKb,
                                             const std::wstring& date);

// The local date `time` as "yyyymmdd".
std::wstring RecordDate(const SYSTEMTIME& time);

// Creates (or opens) the record under RecordRoot(allUsers) and writes its
// values in the writer's order, with today's local date. Returns the result
// of creating the key; the value writes are not checked.
LONG WriteInstallRecord(int allUsers, const std::wstring& productKey, const std::wstring& installDir,
                        RecordWriter writer, DWORD sizeKb = 0);

// Reads "InstallLocation" of the open `key` into `location`, which is zeroed
// first; at most MAX_PATH units are offered, so the last unit stays zero and
// the text can be handed to the shell as a list of one name. False when the
// value is missing, not a terminated string or too long (`location` is
// empty then).
bool ReadInstallLocation(CRegistryKey& key, WCHAR (&location)[MAX_PATH + 1]);

// ReadInstallLocation from the record opened under `root`; a location read
// from HKEY_CURRENT_USER that UserLocationTrusted refuses counts as not read
// (false, `location` empty).
bool ReadTrustedInstallLocation(CRegistryKey& key, HKEY root, WCHAR (&location)[MAX_PATH + 1]);
