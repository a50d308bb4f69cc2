// payload_tool: a maintainer's look into a payload archive, through the same
// ZipArchive calls that the install and repair workers make, entry by entry.
//
//   payload_tool [--archive <file.zip>] list
//       one line per entry: index, Get-item result, attributes, write, access
//       and creation time (UTC), compressed and uncompressed size, name
//   payload_tool [--archive <file.zip>] extract <dir>
//       sets <dir> as the base directory and extracts every entry under the
//       name Get item gave; one line per entry: index, result, name
//
// Without --archive the payload embedded in this program (the payload
// resource of product.h) is read. Output is UTF-8 when redirected, UTF-16
// through WriteConsoleW on a console. Exit code: 0 when every result was 0,
// 1 when some entry failed, 2 for bad usage or an archive that cannot be read
// or opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ZipArchive.h"
#include "console_output.h"
#include "payload_source.h"

namespace {

std::wstring Attributes(DWORD attributes) {
    wchar_t text[32];
    wsprintfW(text, L"0x%02X %c%c%c%c%c", attributes, (attributes & FILE_ATTRIBUTE_DIRECTORY) ? L'D' : L'-',
              (attributes & FILE_ATTRIBUTE_ARCHIVE) ? L'A' : L'-', (attributes & FILE_ATTRIBUTE_HIDDEN) ? L'H' : L'-',
              (attributes & FILE_ATTRIBUTE_SYSTEM) ? L'S' : L'-', (attributes & FILE_ATTRIBUTE_READONLY) ? L'R' : L'-');
    return text;
}

std::wstring Time(const FILETIME& time) {
    SYSTEMTIME st;
    wchar_t text[40];
    if (!FileTimeToSystemTime(&time, &st)) return L"-";
    wsprintfW(text, L"%04u-%02u-%02uT%02u:%02u:%02uZ", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

std::wstring Hex(DWORD value) {
    wchar_t text[16];
    wsprintfW(text, L"0x%08X", value);
    return text;
}

int Usage() {
    WriteError(L"usage: payload_tool [--archive <file.zip>] list\n"
               L"       payload_tool [--archive <file.zip>] extract <dir>\n");
    return 2;
}

int List(HZIPARCHIVE archive) {
    ZipItem item;
    ZipArchiveGetItem(archive, -1, &item);
    int count = item.index;
    WriteOut(L"count\t" + std::to_wstring(count) + L"\n");
    int status = 0;
    for (int i = 0; i < count; ++i) {
        ZipResult result = ZipArchiveGetItem(archive, i, &item);
        if (result != kZipOk) status = 1;
        WriteOut(std::to_wstring(i) + L"\t" + Hex(result) + L"\t" + Attributes(item.attributes) + L"\t" +
                 Time(item.writeTime) + L"\t" + Time(item.accessTime) + L"\t" + Time(item.creationTime) + L"\t" +
                 std::to_wstring(item.compressedSize) + L"\t" + std::to_wstring(item.uncompressedSize) + L"\t" +
                 item.name + L"\n");
    }
    return status;
}

int Extract(HZIPARCHIVE archive, const wchar_t* dir) {
    ZipResult base = ZipArchiveSetBaseDir(archive, dir);
    if (base != kZipOk) {
        WriteError(L"payload_tool: unusable directory (" + Hex(base) + L")\n");
        return 2;
    }
    ZipItem item;
    ZipArchiveGetItem(archive, -1, &item);
    int count = item.index;
    WriteOut(L"count\t" + std::to_wstring(count) + L"\n");
    int status = 0;
    for (int i = 0; i < count; ++i) {
        ZipArchiveGetItem(archive, i, &item);
        ZipResult result = ZipArchiveExtractItem(archive, i, item.name);
        if (result != kZipOk) status = 1;
        WriteOut(std::to_wstring(i) + L"\t" + Hex(result) + L"\t" + item.name + L"\n");
    }
    return status;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* archivePath = nullptr;
    int next = 1;
    if (next + 1 < argc && std::wcscmp(argv[next], L"--archive") == 0) {
        archivePath = argv[next + 1];
        next += 2;
    }
    if (next >= argc) return Usage();
    const wchar_t* command = argv[next];
    bool list = std::wcscmp(command, L"list") == 0 && next + 1 == argc;
    bool extract = std::wcscmp(command, L"extract") == 0 && next + 2 == argc;
    if (!list && !extract) return Usage();

    PayloadSource source;
    std::wstring error;
    if (!(archivePath != nullptr ? source.LoadFile(archivePath, &error) : source.LoadEmbedded(&error))) {
        WriteError(L"payload_tool: " + error + L"\n");
        return 2;
    }
    ZipArchivePtr archive(ZipArchiveOpen(source.Data(), source.Size()));
    if (!archive) {
        WriteError(L"payload_tool: the archive cannot be opened\n");
        return 2;
    }
    return list ? List(archive.get()) : Extract(archive.get(), argv[next + 1]);
}
