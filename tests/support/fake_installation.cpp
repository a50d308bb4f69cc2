// The fake installation: see fake_installation.h.
#include "fake_installation.h"

#include "com_ptr.h"
#include "install_manifest.h"
#include "install_record.h"
#include "payload_entries.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

namespace testing_support {

namespace {

// Creates a shell link at `link` pointing to `target`; false when it could
// not be saved.
bool WriteShortcut(const std::wstring& link, const std::wstring& target)
{
    MakeDirs(link.substr(0, link.find_last_of(L'\\')));
    const ComScope com;
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      shellLink.OutVoid())) &&
           SUCCEEDED(shellLink->SetPath(target.c_str())) &&
           SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.OutVoid())) &&
           SUCCEEDED(file->Save(link.c_str(), TRUE));
}

} // namespace

bool WritePayloadPlaceholders(const std::wstring& dir, const std::vector<std::wstring>& skip)
{
    bool ok = MakeDirs(dir);
    for (const std::wstring& name : PayloadEntryNames()) {
        std::wstring path = dir + L"\\" + name;
        std::replace(path.begin(), path.end(), L'/', L'\\');
        if (path.back() == L'\\')
            ok = MakeDirs(path.substr(0, path.size() - 1)) && ok;
        else if (std::find(skip.begin(), skip.end(), name) == skip.end())
            ok = WriteBytes(path, "payload " + std::to_string(path.size())) && ok;
    }
    return ok;
}

std::wstring ShellPath(int csidl, const std::wstring& relative)
{
    WCHAR path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return relative.empty() ? std::wstring(path) : std::wstring(path) + L"\\" + relative;
}

bool RecordExists(HKEY root, const std::wstring& productKey)
{
    return KeyExists(root, InstallRecordKeyPath(productKey));
}

std::wstring RecordString(HKEY root, const wchar_t* name, const std::wstring& productKey)
{
    return RegString(root, InstallRecordKeyPath(productKey), name);
}

std::wstring AutostartValue(HKEY root)
{
    return RegString(root, kRunKey, kAutostartValueName);
}

void CleanProductTraces()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        SHDeleteKeyW(root, InstallRecordKeyPath(kProductKey).c_str());
        SHDeleteValueW(root, kRunKey, kAutostartValueName);
    }
    for (int programs : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
        RemoveTree(ShellPath(programs, kProgramsGroupFolder));
    DeleteFileW(ShellPath(CSIDL_DESKTOPDIRECTORY, kAppShortcutName).c_str());
    DeleteFileW(ShellPath(CSIDL_APPDATA, std::wstring(kQuickLaunchFolder) + L"\\" + kAppShortcutName).c_str());
}

void CleanMachine()
{
    CleanProductTraces();
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
}

FakeInstallation::FakeInstallation(const InstallOptions& options)
{
    CleanProductTraces();
    if (options.intoFolder.empty()) {
        m_parent = ShellPath(CSIDL_COMMON_APPDATA, UniqueName(L"VeltTest"));
        m_dir = m_parent + L"\\" + kDisplayName;
    } else {
        m_dir = options.intoFolder;
    }
    // The payload as Setup extracts it; the three files Uninstall needs are the real ones.
    const std::vector<std::wstring> real = {kUninstallerFileName, kWindowLibraryFileName, kUninstallSkinFileName};
    if (!WritePayloadPlaceholders(m_dir, real))
        return;
    for (const std::wstring& name : real) {
        if (!CopyFileW((ModuleDir() + L"\\" + name).c_str(), (m_dir + L"\\" + name).c_str(), FALSE))
            return;
    }
    for (const auto& file : options.userFiles) {
        const std::wstring path = m_dir + L"\\" + file.first;
        m_userFiles.push_back(path);
        MakeDirs(path.substr(0, path.find_last_of(L'\\')));
        WriteBytes(path, file.second);
    }
    if (options.manifest != Manifest::None) {
        InstallManifest manifest = PayloadManifest(m_dir);
        manifest.createdDirectory = options.manifest == Manifest::CreatedDirectory;
        if (WriteInstallManifest(m_dir, manifest) != ERROR_SUCCESS)
            return;
        if (options.manifest == Manifest::Damaged) {
            std::string bytes = FileContent(InstallManifestPath(m_dir));
            bytes[bytes.size() / 2] ^= 0x20;
            WriteBytes(InstallManifestPath(m_dir), bytes);
        }
    }
    if (options.recordRoot >= 0) {
        if (WriteInstallRecord(options.recordRoot, kProductKey, m_dir, RecordWriter::Install) != ERROR_SUCCESS)
            return;
        SetRegString(RecordRoot(options.recordRoot), kRunKey, kAutostartValueName, AutostartCommand(m_dir));
    }
    const ShortcutPaths links = ComposeShortcutPaths(options.recordRoot == 0 ? 0 : 1);
    m_ok = WriteShortcut(links.appLink, AppExePath(m_dir)) &&
           WriteShortcut(links.uninstallLink, UninstallerExePath(m_dir)) &&
           (!options.desktopLink || WriteShortcut(links.desktopLink, AppExePath(m_dir))) &&
           WriteShortcut(links.quickLaunchLink, AppExePath(m_dir));
}

FakeInstallation::~FakeInstallation()
{
    CleanProductTraces();
    if (m_parent.empty()) {
        // Only what the fixture put into the existing folder.
        for (const wchar_t* name : {kAppFileName, kUninstallerFileName, kUninstallSkinFileName,
                                    kWindowLibraryFileName, kInstallManifestFileName, L"res"})
            RemoveTree(m_dir + L"\\" + name);
        for (const std::wstring& path : m_userFiles)
            DeleteFileW(path.c_str());
        return;
    }
    // A program that just ended may still hold a file for a moment.
    WaitUntil([&] { return RemoveTree(m_parent); }, 5000, 100);
}

} // namespace testing_support
