// The names of the payload archive's 83 entries, in the archive's order, as
// the build ships them ("res/image/" for a folder, "res/profile.xml" for a
// file): generated at build time from the entry list that the packer reads
// (app/payload_entries.txt, the one list of them). Uninstall uses them to
// remove the product from a directory that has no readable install manifest:
// only these names, never anything else.
#pragma once

#include <string>
#include <vector>

struct InstallManifest;

// The 83 entry names, '/'-separated, folders ending in '/'.
const std::vector<std::wstring>& PayloadEntryNames();

// A manifest that lists exactly the payload's files and folders (and the
// manifest file itself), for a directory the installation did not create.
InstallManifest PayloadManifest(const std::wstring& installDir);
