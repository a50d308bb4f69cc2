#include "install_manifest.h"

#include "paths.h"
#include "file_handle.h"

#include <cstring>
#include <string>

namespace {

constexpr char kHeader[] = "VELT-INSTALL-MANIFEST 1";
constexpr size_t kMaxManifestBytes = 4u * 1024u * 1024u;
constexpr int kMaxCreatedParents = 16;

// Plain bitwise CRC-32 (IEEE, reflected), enough for a file of a few kilobytes.
unsigned long Crc32(const char* data, size_t size)
{
    unsigned long crc = 0xFFFFFFFFul;
    for (size_t i = 0; i < size; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
    }
    return crc ^ 0xFFFFFFFFul;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The trailer line "end <count> <crc>\r\n": the count in decimal, the
// checksum in eight lower-case hexadecimal digits.
std::string FormatTrailer(unsigned count, unsigned long crc)
{
    std::string line = "end " + std::to_string(count) + " ";
    for (int shift = 28; shift >= 0; shift -= 4)
        line += "0123456789abcdef"[(crc >> shift) & 0xFu];
    return line + "\r\n";
}

// Reads a trailer line (without its line end) as the C library's
// sscanf(line, "end %u %8lx%c") reads it when that finds exactly two fields:
// "end"; white space or none; a decimal count with an optional sign ('-'
// negates it modulo 2^32; a count beyond 32 bits is refused); white space or
// none; and a hexadecimal checksum field of at most eight characters, its
// optional sign and "0x" prefix included, that ends the line. True with
// *count and *crc set.
bool ReadTrailer(const std::string& line, unsigned* count, unsigned long* crc)
{
    if (line.compare(0, 3, "end") != 0)
        return false;
    size_t pos = 3;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    bool negative = pos < line.size() && line[pos] == '-';
    if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) ++pos;
    const size_t digits = pos;
    unsigned long long value = 0;
    for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
        value = value * 10 + static_cast<unsigned>(line[pos] - '0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (pos == digits)
        return false;
    *count = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);

    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const std::string field = line.substr(pos);
    if (field.empty() || field.size() > 8)
        return false;
    size_t at = 0;
    negative = field[0] == '-';
    if (field[0] == '+' || field[0] == '-') ++at;
    if (field.size() - at > 2 && field[at] == '0' && (field[at + 1] == 'x' || field[at + 1] == 'X')) at += 2;
    if (at == field.size())
        return false;
    unsigned long hex = 0;
    for (; at < field.size(); ++at) {
        const int digit = HexDigit(field[at]);
        if (digit < 0)
            return false;
        hex = (hex << 4) | static_cast<unsigned long>(digit);
    }
    *crc = negative ? (0ul - hex) & 0xFFFFFFFFul : hex;
    return true;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr,
                            nullptr);
    return out;
}

// False for bytes that are not valid UTF-8.
bool FromUtf8(const std::string& text, std::wstring* out)
{
    out->clear();
    if (text.empty())
        return true;
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0);
    if (size <= 0)
        return false;
    out->resize(static_cast<size_t>(size));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), static_cast<int>(text.size()), &(*out)[0],
                               size) == size;
}

bool AddUnique(std::vector<std::wstring>* list, std::unordered_set<std::wstring>* index, const std::wstring& relative)
{
    const std::wstring path = RelativeName(relative);
    if (!IsSafeRelativePath(path))
        return false;
    if (index->size() != list->size()) {
        index->clear();
        for (const std::wstring& existing : *list)
            index->insert(FoldCase(existing));
    }
    if (index->insert(FoldCase(path)).second)
        list->push_back(path);
    return true;
}

// Splits bytes into lines; "\r\n" and "\n" both end a line. A last line
// without an end is returned too (the trailer check then fails).
std::vector<std::string> SplitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

bool IsSafeRelativePath(const std::wstring& relative)
{
    if (relative.empty() || relative.size() >= MAX_PATH)
        return false;
    if (relative[0] == L'\\' || relative[0] == L'/' || relative.find(L':') != std::wstring::npos)
        return false;
    if (relative.find_first_of(L"*?\"<>|") != std::wstring::npos)
        return false;
    for (wchar_t c : relative) {
        if (c < 0x20)
            return false;
    }
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = relative.size();
        const std::wstring part = relative.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..")
            return false;
        // Windows drops trailing dots and spaces: "..." or "a " would name something else.
        if (part.back() == L'.' || part.back() == L' ')
            return false;
        start = end + 1;
    }
    return true;
}

bool InstallManifest::AddFile(const std::wstring& relative)
{
    return AddUnique(&files, &fileIndex, relative);
}

bool InstallManifest::AddFolder(const std::wstring& relative)
{
    return AddUnique(&folders, &folderIndex, relative);
}

bool InstallManifest::AddArchiveEntry(const std::wstring& name)
{
    const bool isFolder = !name.empty() && (name.back() == L'/' || name.back() == L'\\');
    const std::wstring path = RelativeName(name);
    if (!IsSafeRelativePath(path))
        return false;
    for (size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
        AddFolder(path.substr(0, slash));
    return isFolder ? AddFolder(path) : AddFile(path);
}

std::wstring InstallManifestPath(const std::wstring& installDir)
{
    return JoinPath(installDir, kInstallManifestFileName);
}

std::string SerializeInstallManifest(const InstallManifest& manifest)
{
    std::string text;
    text += kHeader;
    text += "\r\n";
    text += "directory " + ToUtf8(manifest.directory) + "\r\n";
    text += manifest.createdDirectory ? "created 1\r\n" : "created 0\r\n";
    if (manifest.createdDirectory && manifest.createdParents > 0)
        text += "parents " + std::to_string(manifest.createdParents < kMaxCreatedParents ? manifest.createdParents
                                                                                         : kMaxCreatedParents) +
                "\r\n";
    for (const std::wstring& file : manifest.files)
        text += "F " + ToUtf8(file) + "\r\n";
    for (const std::wstring& folder : manifest.folders)
        text += "D " + ToUtf8(folder) + "\r\n";
    return text + FormatTrailer(static_cast<unsigned>(manifest.files.size() + manifest.folders.size()),
                                Crc32(text.data(), text.size()));
}

DWORD ParseInstallManifest(const std::string& bytes, InstallManifest* out)
{
    *out = InstallManifest();
    if (bytes.size() > kMaxManifestBytes)
        return ERROR_INVALID_DATA;
    // The trailer is the last line; the checksum covers everything before it.
    if (bytes.size() < 2 || bytes.back() != '\n')
        return ERROR_INVALID_DATA;
    const size_t trailerStart = bytes.rfind('\n', bytes.size() - 2);
    if (trailerStart == std::string::npos)
        return ERROR_INVALID_DATA;
    const std::string body = bytes.substr(0, trailerStart + 1);
    std::string trailer = bytes.substr(trailerStart + 1);
    while (!trailer.empty() && (trailer.back() == '\n' || trailer.back() == '\r'))
        trailer.pop_back();
    unsigned count = 0;
    unsigned long crc = 0;
    if (!ReadTrailer(trailer, &count, &crc) || trailer.size() < 14)
        return ERROR_INVALID_DATA;
    if (Crc32(body.data(), body.size()) != crc)
        return ERROR_INVALID_DATA;

    const std::vector<std::string> lines = SplitLines(body);
    if (lines.size() < 3 || lines[0] != kHeader)
        return ERROR_INVALID_DATA;
    InstallManifest parsed;
    if (lines[1].compare(0, 10, "directory ") != 0 || !FromUtf8(lines[1].substr(10), &parsed.directory) ||
        parsed.directory.empty())
        return ERROR_INVALID_DATA;
    if (lines[2] == "created 1")
        parsed.createdDirectory = true;
    else if (lines[2] != "created 0")
        return ERROR_INVALID_DATA;
    size_t first = 3;
    if (lines.size() > 3 && lines[3].compare(0, 8, "parents ") == 0) {
        // Only the canonical decimal of 1 to kMaxCreatedParents.
        const std::string digits = lines[3].substr(8);
        int parents = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9' || parents > kMaxCreatedParents) {
                parents = 0;
                break;
            }
            parents = parents * 10 + (c - '0');
        }
        if (!parsed.createdDirectory || parents < 1 || parents > kMaxCreatedParents ||
            digits != std::to_string(parents))
            return ERROR_INVALID_DATA;
        parsed.createdParents = parents;
        first = 4;
    }
    for (size_t i = first; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::wstring path;
        if (line.size() < 3 || line[1] != ' ' || !FromUtf8(line.substr(2), &path) || !IsSafeRelativePath(path))
            return ERROR_INVALID_DATA;
        if (line[0] == 'F')
            parsed.files.push_back(path);
        else if (line[0] == 'D')
            parsed.folders.push_back(path);
        else
            return ERROR_INVALID_DATA;
    }
    if (parsed.files.size() + parsed.folders.size() != count)
        return ERROR_INVALID_DATA;
    *out = parsed;
    return ERROR_SUCCESS;
}

DWORD WriteInstallManifest(const std::wstring& installDir, const InstallManifest& manifest)
{
    const std::wstring path = InstallManifestPath(installDir);
    const std::wstring temp = path + L".new";
    const std::string bytes = SerializeInstallManifest(manifest);
    {
        FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file.Valid())
            return GetLastError();
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            const DWORD error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            file.Close();
            DeleteFileW(temp.c_str());
            return error;
        }
        FlushFileBuffers(file.Get());
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

DWORD ReadInstallManifest(const std::wstring& installDir, InstallManifest* out)
{
    *out = InstallManifest();
    FileHandle file(CreateFileW(InstallManifestPath(installDir).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return GetLastError();
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size))
        return GetLastError();
    if (size.QuadPart > static_cast<LONGLONG>(kMaxManifestBytes))
        return ERROR_INVALID_DATA;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return ERROR_INVALID_DATA;
    return ParseInstallManifest(bytes, out);
}
