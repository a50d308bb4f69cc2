// A fake installation of the product, laid out the way Setup leaves it, for
// the end-to-end tests of Uninstall and of Setup's maintenance mode: the
// payload's files (the real Uninstall.exe, DuiLibu.dll and Uninstall.DAT,
// copied from beside the test program; placeholders for the rest), the
// install record with its autostart value under the chosen root, the four
// shortcuts, and optionally an install manifest.
//
// Everything the fixture creates is removed again when it goes out of scope,
// including the product's real record, autostart and shortcut locations
// (CleanProductTraces before and after), so that tests do not depend on their
// order. Not thread-safe; one fixture at a time.
#pragma once

#include <windows.h>

#include "product.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

enum class Manifest { None, CreatedDirectory, PreexistingDirectory, Damaged };

struct InstallOptions {
    int recordRoot = 1;           // 1: HKEY_LOCAL_MACHINE, 0: HKEY_CURRENT_USER, -1: no record
    Manifest manifest = Manifest::CreatedDirectory;
    std::vector<std::pair<std::wstring, std::string>> userFiles;  // relative path, bytes
    // Install straight into this existing folder (the desktop, say) instead of
    // a fresh one; the fixture then removes only what it put there.
    std::wstring intoFolder;
    // False: the desktop shortcut is missing, as after the user deleted it.
    bool desktopLink = true;
};

// Removes every trace of the product from the real locations: records under
// both roots, autostart values, shortcuts of both programs folders, desktop
// and Quick Launch.
void CleanProductTraces();

// CleanProductTraces, and the default installation folder with its parent
// "QRVL" when that is left empty: the machine as before any installation.
void CleanMachine();

// The shell folder `csidl` (not created), with `relative` appended when given.
std::wstring ShellPath(int csidl, const std::wstring& relative = L"");

// What an installation left under a root (HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER): its install record (of `productKey`) exists; a value
// of it, and the autostart value ("<none>" when absent).
bool RecordExists(HKEY root, const std::wstring& productKey = kProductKey);
std::wstring RecordString(HKEY root, const wchar_t* name, const std::wstring& productKey = kProductKey);
std::wstring AutostartValue(HKEY root);

// Every payload entry below `dir` (made when missing): its folders, and a
// small placeholder file for each file whose name is not in `skip`. False
// when something could not be written.
bool WritePayloadPlaceholders(const std::wstring& dir, const std::vector<std::wstring>& skip = {});

class FakeInstallation {
public:
    // Lays out the installation in a fresh folder
    // "<common application data>\\VeltTest-...\\VELT电子日历", or in
    // options.intoFolder.
    explicit FakeInstallation(const InstallOptions& options);
    ~FakeInstallation();
    FakeInstallation(const FakeInstallation&) = delete;
    FakeInstallation& operator=(const FakeInstallation&) = delete;

    const std::wstring& Dir() const { return m_dir; }
    // The fresh folder above Dir(); empty when installed into an existing folder.
    const std::wstring& Parent() const { return m_parent; }
    // False when some part could not be laid out.
    bool Ok() const { return m_ok; }

private:
    std::wstring m_parent;
    std::wstring m_dir;
    std::vector<std::wstring> m_userFiles;
    bool m_ok = false;
};

} // namespace testing_support
