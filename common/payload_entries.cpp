#include "payload_entries.h"

#include "install_manifest.h"
#include "product.h"

const std::vector<std::wstring>& PayloadEntryNames()
{
    // Generated from the payload's entry list at build time.
    static const std::vector<std::wstring> names = {
#include "payload_entry_names.inc"
    };
    return names;
}

InstallManifest PayloadManifest(const std::wstring& installDir)
{
    InstallManifest manifest;
    manifest.directory = installDir;
    manifest.createdDirectory = false;
    for (const std::wstring& name : PayloadEntryNames())
        manifest.AddArchiveEntry(name);
    manifest.AddFile(kInstallManifestFileName);
    return manifest;
}
