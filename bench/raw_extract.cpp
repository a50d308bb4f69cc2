// raw_extract: the physical bound of an installation, for the benchmark (not
// a test): what any installer of a zip payload must at least do. It reads
// the archive into memory, then for every entry in the order of its central
// directory creates the folder, or inflates the entry (raw deflate, zlib) and
// writes the bytes to a new file with one WriteFile; no attributes, times,
// look-ups, records or checks beyond zlib's.
//
//   raw_extract <archive.zip> <target folder>
//
// Prints "<seconds> <entries>": the time from the archive in memory to the
// last file closed. Exit status 0, 1 on a read or write failure, 2 on bad
// usage. Names are code page 936 bytes (as in the payload) or UTF-8 with the
// flag set.
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

unsigned Get16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

unsigned long Get32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

std::wstring Widen(const char* bytes, int size, bool utf8)
{
    const UINT page = utf8 ? CP_UTF8 : 936;
    const int length = MultiByteToWideChar(page, 0, bytes, size, nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(page, 0, bytes, size, &wide[0], length);
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    return wide;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: raw_extract <archive.zip> <target folder>\n");
        return 2;
    }
    HANDLE in = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return 1;
    LARGE_INTEGER size = {};
    GetFileSizeEx(in, &size);
    std::vector<unsigned char> zip(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    const bool ok = ReadFile(in, zip.data(), static_cast<DWORD>(zip.size()), &read, nullptr) && read == zip.size();
    CloseHandle(in);
    if (!ok || zip.size() < 22)
        return 1;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    size_t eocd = zip.size() - 22;
    while (eocd > 0 && Get32(&zip[eocd]) != 0x06054b50)
        --eocd;
    const unsigned count = Get16(&zip[eocd + 10]);
    size_t at = Get32(&zip[eocd + 16]);
    const std::wstring base = std::wstring(argv[2]) + L"\\";
    CreateDirectoryW(argv[2], nullptr);
    std::vector<unsigned char> out;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* central = &zip[at];
        const unsigned flags = Get16(central + 8);
        const unsigned method = Get16(central + 10);
        const unsigned long compressed = Get32(central + 20);
        const unsigned long uncompressed = Get32(central + 24);
        const unsigned nameLength = Get16(central + 28);
        const unsigned extra = Get16(central + 30);
        const unsigned comment = Get16(central + 32);
        const unsigned long local = Get32(central + 42);
        const std::wstring name =
            Widen(reinterpret_cast<const char*>(central + 46), static_cast<int>(nameLength), (flags & 0x800) != 0);
        at += 46 + nameLength + extra + comment;
        const std::wstring path = base + name;
        if (!name.empty() && name.back() == L'\\') {
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const unsigned char* data = &zip[local + 30 + Get16(&zip[local + 26]) + Get16(&zip[local + 28])];
        const unsigned char* bytes = data;
        if (method == 8) {
            out.resize(uncompressed);
            z_stream stream = {};
            inflateInit2(&stream, -MAX_WBITS);
            stream.next_in = const_cast<unsigned char*>(data);
            stream.avail_in = compressed;
            stream.next_out = out.data();
            stream.avail_out = uncompressed;
            const int result = inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
            if (result != Z_STREAM_END)
                return 1;
            bytes = out.data();
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        DWORD written = 0;
        if (uncompressed && (!WriteFile(file, bytes, uncompressed, &written, nullptr) || written != uncompressed)) {
            CloseHandle(file);
            return 1;
        }
        CloseHandle(file);
    }
    QueryPerformanceCounter(&end);
    std::printf("%.3f %u\n",
                static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart), count);
    return 0;
}
