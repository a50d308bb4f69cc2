// The install manifest: what an installation wrote into its directory.
//
// Setup writes it into the installation directory when it installs or
// repairs; the uninstall worker reads it to decide how much it may remove. It
// records the directory it was written for, whether the installation created
// that directory, and every file and folder the installation put there, as
// paths relative to the directory ("res\\image\\bk.png").
//
// On disk ("VELTInstall.lst" in the installation directory) it is UTF-8 text:
//
//   VELT-INSTALL-MANIFEST 1
//   directory <full path of the installation directory>
//   created 0|1
//   parents <n>                     only when n > 0: the n folders directly
//                                   above the directory were created too
//   F <relative file path>          one line per file
//   D <relative folder path>        one line per folder
//   end <number of F and D lines> <CRC-32 of every byte before this line, 8 hex digits>
//
// Lines end in "\r\n" or "\n". The reader accepts a file only when the header,
// every line, the count and the checksum agree and every relative path is
// safe (not empty, not absolute, no drive, no "." or ".." component, no
// wildcard, under MAX_PATH when joined). A damaged, truncated or foreign file
// gives ERROR_INVALID_DATA and an empty manifest; the caller then treats the
// installation as having no manifest at all.
//
// All functions return Windows error codes and throw nothing. Values are plain
// data owned by the caller.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_set>
#include <vector>

inline constexpr wchar_t kInstallManifestFileName[] = L"VELTInstall.lst";

struct InstallManifest {
    std::wstring directory;             // the installation directory it describes
    bool createdDirectory = false;      // the installation created that directory
    int createdParents = 0;             // ... and this many folders directly above it (0 .. 16)
    std::vector<std::wstring> files;    // relative paths, "\\" separated, in writing order
    std::vector<std::wstring> folders;  // relative paths, "\\" separated, in writing order

    // Adds a relative path once (compared without letter case). '/' becomes
    // '\\'; a trailing separator is dropped. Unsafe paths are ignored and
    // give false.
    bool AddFile(const std::wstring& relative);
    bool AddFolder(const std::wstring& relative);
    // Adds an archive entry name as written in the payload ("res/image/" is a
    // folder, "res/profile.xml" a file), together with every folder above it.
    bool AddArchiveEntry(const std::wstring& name);

    // The upper-cased names in files and folders, so that adding n paths
    // takes time linear in n; rebuilt when a list was changed directly.
    std::unordered_set<std::wstring> fileIndex, folderIndex;
};

// Full path of the manifest file inside installDir.
std::wstring InstallManifestPath(const std::wstring& installDir);

// True when `relative` may be joined to an installation directory: see above.
bool IsSafeRelativePath(const std::wstring& relative);

// Text form of the manifest (the bytes written to disk).
std::string SerializeInstallManifest(const InstallManifest& manifest);
// ERROR_SUCCESS and *out filled, or ERROR_INVALID_DATA and *out cleared.
DWORD ParseInstallManifest(const std::string& bytes, InstallManifest* out);

// Writes the manifest to InstallManifestPath(installDir) through a temporary
// file that replaces the old one, so a reader never sees half a file. Returns
// the first failing call's error (ERROR_SUCCESS on success).
DWORD WriteInstallManifest(const std::wstring& installDir, const InstallManifest& manifest);
// Reads and checks InstallManifestPath(installDir). ERROR_FILE_NOT_FOUND (or
// ERROR_PATH_NOT_FOUND) when there is none, ERROR_INVALID_DATA when it is
// damaged or larger than 4 MiB; *out is cleared on every failure.
DWORD ReadInstallManifest(const std::wstring& installDir, InstallManifest* out);
