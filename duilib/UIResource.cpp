// Skin resources: process-wide settings and reading from the skin archive.
#include "UIResource.h"

#include "memory_source.h"
#include "unzip.h"

#include <string.h>

namespace duires {
namespace {

struct Settings {
    CRITICAL_SECTION cs;
    HINSTANCE instance = NULL;
    std::wstring path;
    std::wstring zip;
    // The archive as last read: its full path and its bytes; loaded lazily,
    // dropped when the settings change.
    std::wstring loadedFrom;
    FILETIME loadedStamp = {0, 0};
    ULONGLONG loadedSize = 0;
    bool loaded = false;
    std::vector<BYTE> archive;
    Settings() { InitializeCriticalSection(&cs); }
    ~Settings() { DeleteCriticalSection(&cs); }
};

Settings& S()
{
    static Settings s;
    return s;
}

class Lock {
public:
    Lock() { EnterCriticalSection(&S().cs); }
    ~Lock() { LeaveCriticalSection(&S().cs); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>* out)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(h, &size) && size.QuadPart < 256 * 1024 * 1024) {
        out->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = out->empty() || (ReadFile(h, out->data(), static_cast<DWORD>(out->size()), &got, NULL) && got == out->size());
    }
    CloseHandle(h);
    if (!ok) out->clear();
    return ok;
}

bool IsAbsolute(const std::wstring& p)
{
    return (p.size() > 1 && p[1] == L':') || (p.size() > 1 && p[0] == L'\\' && p[1] == L'\\');
}

bool ReadZipEntry(const std::vector<BYTE>& archive, const std::wstring& name, std::vector<BYTE>* out)
{
    if (archive.empty()) return false;
    MemorySource source;
    source.data = archive.data();
    source.size = archive.size();
    zlib_filefunc64_def io;
    FillMemoryFileFunctions(&io);
    unzFile zf = unzOpen2_64(&source, &io);
    if (zf == NULL) return false;
    std::wstring entry = name;
    for (auto& c : entry)
        if (c == L'\\') c = L'/';
    bool ok = false;
    // Entry names are UTF-8 in archives we make; older tools write the ANSI
    // code page.
    std::string utf8 = ToUtf8(entry);
    int found = unzLocateFile(zf, utf8.c_str(), 2);
    if (found != UNZ_OK) {
        int n = WideCharToMultiByte(CP_ACP, 0, entry.c_str(), -1, NULL, 0, NULL, NULL);
        if (n > 0) {
            std::string ansi(n, '\0');
            WideCharToMultiByte(CP_ACP, 0, entry.c_str(), -1, &ansi[0], n, NULL, NULL);
            found = unzLocateFile(zf, ansi.c_str(), 2);
        }
    }
    if (found == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zf, &info, NULL, 0, NULL, 0, NULL, 0) == UNZ_OK &&
            info.uncompressed_size < 128 * 1024 * 1024 && unzOpenCurrentFile(zf) == UNZ_OK) {
            out->resize(static_cast<size_t>(info.uncompressed_size));
            int got = out->empty() ? 0 : unzReadCurrentFile(zf, out->data(), static_cast<unsigned>(out->size()));
            // unzCloseCurrentFile checks the CRC once everything was read.
            int crc = unzCloseCurrentFile(zf);
            ok = got == static_cast<int>(out->size()) && crc == UNZ_OK;
            if (!ok) out->clear();
        }
    }
    unzClose(zf);
    return ok;
}

} // namespace

std::wstring FromUtf8(const char* s, int len)
{
    if (s == NULL) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s, len, NULL, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s, len, &w[0], n);
    if (len < 0 && !w.empty()) w.resize(n - 1);
    return w;
}

std::string ToUtf8(const std::wstring& s)
{
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), NULL, 0, NULL, NULL);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &out[0], n, NULL, NULL);
    return out;
}

void SetInstance(HINSTANCE hInst)
{
    Lock lock;
    S().instance = hInst;
}

HINSTANCE Instance()
{
    Lock lock;
    return S().instance ? S().instance : GetModuleHandleW(NULL);
}

void SetResourcePath(const std::wstring& path)
{
    Lock lock;
    S().path = path;
    if (!S().path.empty() && S().path.back() != L'\\' && S().path.back() != L'/') S().path += L'\\';
    S().loaded = false;
}

std::wstring ResourcePath()
{
    Lock lock;
    return S().path;
}

void SetResourceZip(const std::wstring& name)
{
    Lock lock;
    S().zip = name;
    S().loaded = false;
}

std::wstring ResourceZip()
{
    Lock lock;
    return S().zip;
}

bool ReadResource(const std::wstring& name, std::vector<BYTE>* out)
{
    out->clear();
    if (name.empty()) return false;
    Lock lock;
    Settings& s = S();
    if (s.zip.empty()) {
        std::wstring full = IsAbsolute(name) ? name : s.path + name;
        return ReadWholeFile(full, out);
    }
    std::wstring archivePath = IsAbsolute(s.zip) ? s.zip : s.path + s.zip;
    // The archive is read again when it was replaced on disk since.
    WIN32_FILE_ATTRIBUTE_DATA attr;
    ZeroMemory(&attr, sizeof(attr));
    GetFileAttributesExW(archivePath.c_str(), GetFileExInfoStandard, &attr);
    ULONGLONG size = (static_cast<ULONGLONG>(attr.nFileSizeHigh) << 32) | attr.nFileSizeLow;
    if (!s.loaded || s.loadedFrom != archivePath || s.archive.empty() || size != s.loadedSize ||
        CompareFileTime(&attr.ftLastWriteTime, &s.loadedStamp) != 0) {
        s.archive.clear();
        ReadWholeFile(archivePath, &s.archive);
        s.loadedFrom = archivePath;
        s.loadedStamp = attr.ftLastWriteTime;
        s.loadedSize = size;
        s.loaded = true;
    }
    return ReadZipEntry(s.archive, name, out);
}

} // namespace duires
