// The reader behind HZIPARCHIVE: positioning over minizip, the entry record,
// and extraction of one entry (see ZipArchive.h for the contract).
#include "ZipArchive.h"
#include "file_handle.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "entry_info.h"
#include "entry_name.h"
#include "folders.h"
#include "memory_source.h"
#include "unzip.h"

namespace {

constexpr DWORD kTransferSize = 16384;
// A name of 259 UTF-16 units takes at most 4 bytes per unit in UTF-8 or 2 in
// code page 936; anything longer can never fit.
constexpr size_t kMaxNameBytes = 4 * kZipMaxPath;
constexpr unsigned long kFlagEncrypted = 0x0001;
constexpr unsigned long kFlagUtf8 = 0x0800;


bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

void ClearItem(ZipItem* item, int index) {
    ZeroMemory(item, sizeof(*item));
    item->index = index;
}

// True when `path`, made absolute by Windows' own rules, still lies below
// `base` (also made absolute). Both fit MAX_PATH.
bool StaysBelow(const wchar_t* base, const wchar_t* path) {
    wchar_t fullBase[MAX_PATH];
    wchar_t fullPath[MAX_PATH];
    DWORD baseLength = GetFullPathNameW(base, MAX_PATH, fullBase, nullptr);
    DWORD pathLength = GetFullPathNameW(path, MAX_PATH, fullPath, nullptr);
    if (baseLength == 0 || baseLength >= MAX_PATH || pathLength == 0 || pathLength >= MAX_PATH) return false;
    if (!IsSeparator(fullBase[baseLength - 1])) {
        if (baseLength + 1 >= MAX_PATH) return false;
        fullBase[baseLength++] = L'\\';
        fullBase[baseLength] = L'\0';
    }
    if (pathLength <= baseLength) return false;
    for (DWORD i = 0; i < baseLength; ++i) {
        wchar_t a = fullBase[i];
        wchar_t b = fullPath[i];
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(a))) !=
            CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(b))))
            return false;
    }
    return true;
}

} // namespace

struct ZipArchive {
    MemorySource source;
    unzFile reader = nullptr;
    int count = 0;
    int current = -1;         // minizip's current entry; -1 when unknown
    bool entryOpen = false;
    wchar_t base[kZipMaxPath] = {};
    bool baseUsable = false;
    ZipItem item = {};        // the last record produced
    int itemIndex = -1;       // its index; -1 for none
    unsigned long itemFlags = 0;
    unsigned long itemMethod = 0;
    std::unique_ptr<unsigned char[]> buffer;

    ~ZipArchive() {
        CloseEntry();
        if (reader != nullptr) unzClose(reader);
    }

    int CloseEntry() {
        if (!entryOpen) return UNZ_OK;
        entryOpen = false;
        return unzCloseCurrentFile(reader);
    }

    ZipResult SetBase(const wchar_t* dir) {
        baseUsable = false;
        base[0] = L'\0';
        if (dir == nullptr || dir[0] == L'\0') return kZipBadArgs;
        size_t length = std::wcslen(dir);
        bool hasSeparator = IsSeparator(dir[length - 1]);
        if (length + (hasSeparator ? 0 : 1) >= kZipMaxPath) return kZipBadArgs;
        std::wmemcpy(base, dir, length + 1);
        if (!hasSeparator) {
            base[length] = L'\\';
            base[length + 1] = L'\0';
        }
        baseUsable = true;
        return kZipOk;
    }

    // Makes entry `index` minizip's current entry, moving forward only, or
    // restarting from the first entry when `index` lies behind.
    ZipResult Position(int index) {
        if (current < 0 || index < current) {
            current = -1;
            if (unzGoToFirstFile(reader) != UNZ_OK) return kZipBadHeader;
            current = 0;
        }
        while (current < index) {
            if (unzGoToNextFile(reader) != UNZ_OK) {
                // The record on the way cannot be read: give up; the next call restarts.
                current = -1;
                return kZipBadHeader;
            }
            ++current;
        }
        return kZipOk;
    }

    ZipResult ReadRecord(int index, ZipItem* out) {
        ZipResult result = Position(index);
        if (result != kZipOk) return result;

        unz_file_info64 info;
        char rawName[kMaxNameBytes + 1];
        if (unzGetCurrentFileInfo64(reader, &info, rawName, sizeof(rawName), nullptr, 0, nullptr, 0) != UNZ_OK)
            return kZipBadHeader;

        // The local header must be there and agree; its extra field must be readable.
        if (unzOpenCurrentFile(reader) != UNZ_OK) return kZipBadHeader;
        entryOpen = true;
        std::vector<unsigned char> extra;
        int extraLength = unzGetLocalExtrafield(reader, nullptr, 0);
        if (extraLength < 0) {
            CloseEntry();
            return kZipBadExtra;
        }
        if (extraLength > 0) {
            extra.resize(static_cast<size_t>(extraLength));
            if (unzGetLocalExtrafield(reader, extra.data(), static_cast<unsigned>(extraLength)) != extraLength) {
                CloseEntry();
                return kZipBadExtra;
            }
        }
        // minizip compares only the name's length; the bytes must agree too.
        if (!LocalNameMatches(static_cast<size_t>(extraLength), rawName, info.size_filename)) {
            CloseEntry();
            return kZipBadHeader;
        }
        CloseEntry();

        ClearItem(out, index);
        if (info.size_filename > kMaxNameBytes ||
            !DecodeEntryName(rawName, info.size_filename, (info.flag & kFlagUtf8) != 0, out->name, kZipMaxPath)) {
            ClearItem(out, index);
            return kZipNoFile;
        }
        SanitiseEntryName(out->name);
        if (!IsPlainEntryName(out->name)) {
            ClearItem(out, index);
            return kZipNoFile;
        }

        out->attributes = MapEntryAttributes(static_cast<unsigned>(info.version >> 8) & 0xFF,
                                             static_cast<DWORD>(info.external_fa));
        out->compressedSize = info.compressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(info.compressed_size);
        out->uncompressedSize =
            info.uncompressed_size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(info.uncompressed_size);

        FILETIME time;
        EntryTimeToFileTime(static_cast<WORD>(info.dosDate >> 16), static_cast<WORD>(info.dosDate & 0xFFFF), &time);
        out->accessTime = time;
        out->creationTime = time;
        out->writeTime = time;
        if (!extra.empty())
            ApplyExtendedTimestamp(extra.data(), extra.size(), &out->writeTime, &out->accessTime, &out->creationTime);

        item = *out;
        itemIndex = index;
        itemFlags = info.flag;
        itemMethod = info.compression_method;
        return kZipOk;
    }

    // The open entry's local header name, found just before its extra field
    // and data, against the central directory's name.
    bool LocalNameMatches(size_t extraLength, const char* centralName, size_t nameLength) {
        if (nameLength > kMaxNameBytes) return true;  // too long to compare; refused later anyway
        ZPOS64_T dataAt = unzGetCurrentFileZStreamPos64(reader);
        if (dataAt < extraLength + nameLength || dataAt > source.size) return false;
        const unsigned char* localName = source.data + (dataAt - extraLength - nameLength);
        return nameLength == 0 || std::memcmp(localName, centralName, nameLength) == 0;
    }

    ZipResult GetItem(int index, ZipItem* out) {
        if (index < -1 || index >= count) {
            ClearItem(out, index);
            return kZipBadArgs;
        }
        CloseEntry();
        if (index == itemIndex && index != -1) {
            *out = item;
            return kZipOk;
        }
        if (index == -1) {
            ClearItem(out, count);
            return kZipOk;
        }
        ZipResult result = ReadRecord(index, out);
        if (result != kZipOk) {
            ClearItem(out, index);
            itemIndex = -1;
        }
        return result;
    }

    // Entry `index`'s record and the full path of `name` below the base;
    // kZipOk, or why the entry cannot go there (nothing is ever written
    // outside the base directory).
    ZipResult Locate(int index, const wchar_t* name, ZipItem* record, wchar_t (&path)[kZipMaxPath]) {
        if (index < 0 || index >= count || name == nullptr) return kZipBadArgs;
        ZipResult result = GetItem(index, record);
        if (result != kZipOk) return result;
        result = Position(index);
        if (result != kZipOk) return result;
        if (!baseUsable || name[0] == L'\0' || IsAbsoluteName(name) || HasParentComponent(name) ||
            !IsPlainEntryName(name))
            return kZipNoFile;
        size_t baseLength = std::wcslen(base);
        size_t nameLength = std::wcslen(name);
        if (baseLength + nameLength >= kZipMaxPath) return kZipNoFile;
        std::wmemcpy(path, base, baseLength);
        std::wmemcpy(path + baseLength, name, nameLength + 1);
        return StaysBelow(base, path) ? kZipOk : kZipNoFile;
    }

    // Whether the located entry's data can be read: no password is ever set,
    // so an encrypted entry cannot; only stored and deflated data can (minizip
    // would hand out other methods' bytes raw, unchecked).
    ZipResult Readable() const {
        if (itemFlags & kFlagEncrypted) return kZipPassword;
        if (itemMethod != 0 && itemMethod != Z_DEFLATED) return kZipInflate;
        return kZipOk;
    }

    ZipResult Extract(int index, const wchar_t* name) {
        CloseEntry();
        ZipItem record;
        wchar_t path[kZipMaxPath];
        ZipResult result = Locate(index, name, &record, path);
        if (result != kZipOk) return result;
        size_t nameLength = std::wcslen(name);
        if (record.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            CreateEntryFolders(base, name, nameLength);
            return kZipOk;
        }

        // The folder part keeps its last separator; the file part follows it.
        size_t folderLength = 0;
        for (size_t i = nameLength; i > 0; --i) {
            if (IsSeparator(name[i - 1])) {
                folderLength = i;
                break;
            }
        }
        CreateEntryFolders(base, name, folderLength);
        result = Readable();
        if (result != kZipOk) return result;

        // CREATE_ALWAYS must not replace a read-only file, nor a hidden or
        // system one with an entry that lacks those attributes. Windows refuses
        // by itself; checking here keeps the rule where it does not (Wine run
        // by root), and leaves the old file as it is.
        // A new file is made at once; only an existing one is looked at first.
        FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, record.attributes, nullptr));
        if (!file.Valid()) {
            if (GetLastError() != ERROR_FILE_EXISTS) return kZipNoFile;
            DWORD existing = GetFileAttributesW(path);
            if (existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY)) return kZipNoFile;
            if (existing & FILE_ATTRIBUTE_READONLY) return kZipNoFile;
            if ((existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) & ~record.attributes) return kZipNoFile;
            file.Reset(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, record.attributes, nullptr));
            if (!file.Valid()) return kZipNoFile;
        }
        return WriteEntry(file, record);
    }

    // Extract for a file entry into a new file in a folder that exists, made
    // without looking first; anything that would stop before that file is
    // made gives kZipNotNew and makes nothing.
    ZipResult ExtractNewFile(int index, const wchar_t* name) {
        CloseEntry();
        ZipItem record;
        wchar_t path[kZipMaxPath];
        if (Locate(index, name, &record, path) != kZipOk || (record.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            Readable() != kZipOk)
            return kZipNotNew;
        FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, record.attributes, nullptr));
        if (!file.Valid()) return kZipNotNew;
        return WriteEntry(file, record);
    }

    // A file entry's data into a file the caller made and opened for writing.
    ZipResult WriteTo(int index, HANDLE file) {
        CloseEntry();
        if (index < 0 || index >= count || file == INVALID_HANDLE_VALUE || file == nullptr) return kZipBadArgs;
        ZipItem record;
        ZipResult result = GetItem(index, &record);
        if (result != kZipOk) return result;
        if (record.attributes & FILE_ATTRIBUTE_DIRECTORY) return kZipBadArgs;
        result = Position(index);
        if (result != kZipOk) return result;
        result = Readable();
        if (result != kZipOk) return result;
        return WriteEntry(file, record);
    }

    ZipResult WriteEntry(const FileHandle& file, const ZipItem& record) { return WriteEntry(file.Get(), record); }

    // The current entry's bytes into `file`, then the entry's times.
    ZipResult WriteEntry(HANDLE file, const ZipItem& record) {
        if (unzOpenCurrentFile(reader) != UNZ_OK) return kZipBadHeader;
        entryOpen = true;
        if (!buffer) buffer.reset(new (std::nothrow) unsigned char[kTransferSize]);
        if (!buffer) {
            CloseEntry();
            return kZipInflate;
        }

        ZipResult result = kZipOk;
        unsigned long long total = 0;
        for (;;) {
            int got = unzReadCurrentFile(reader, buffer.get(), kTransferSize);
            if (got < 0) {
                result = kZipInflate;
                break;
            }
            if (got == 0) {
                // End of the entry: it must have given every byte it announced.
                result = total == record.uncompressedSize ? kZipOk : kZipInflate;
                break;
            }
            DWORD written = 0;
            if (!WriteFile(file, buffer.get(), static_cast<DWORD>(got), &written, nullptr) ||
                written != static_cast<DWORD>(got)) {
                result = kZipWriteFailed;
                break;
            }
            total += static_cast<unsigned>(got);
        }
        // The checksum is known only when the reader closes the entry.
        if (CloseEntry() == UNZ_CRCERROR && result == kZipOk) result = kZipInflate;
        if (result == kZipOk)
            SetFileTime(file, &record.creationTime, &record.accessTime, &record.writeTime);
        return result;
    }
};

HZIPARCHIVE ZipArchiveOpen(const void* data, DWORD size) {
    if (data == nullptr || size == 0) return nullptr;
    std::unique_ptr<ZipArchive> archive(new (std::nothrow) ZipArchive);
    if (!archive) return nullptr;
    archive->source.data = static_cast<const unsigned char*>(data);
    archive->source.size = size;

    wchar_t current[kZipMaxPath];
    DWORD length = GetCurrentDirectoryW(kZipMaxPath, current);
    if (length != 0 && length < kZipMaxPath) archive->SetBase(current);

    zlib_filefunc64_def functions;
    FillMemoryFileFunctions(&functions);
    archive->reader = unzOpen2_64(&archive->source, &functions);
    if (archive->reader == nullptr) return nullptr;
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive->reader, &global) != UNZ_OK || global.number_entry > 0x7FFFFFFF) return nullptr;
    archive->count = static_cast<int>(global.number_entry);
    if (archive->count > 0) {
        if (unzGoToFirstFile(archive->reader) != UNZ_OK) return nullptr;
        archive->current = 0;
    }
    return archive.release();
}

ZipResult ZipArchiveSetBaseDir(HZIPARCHIVE archive, const wchar_t* dir) {
    if (archive == nullptr) return kZipBadArgs;
    return archive->SetBase(dir);
}

ZipResult ZipArchiveGetItem(HZIPARCHIVE archive, int index, ZipItem* item) {
    if (archive == nullptr || item == nullptr) return kZipBadArgs;
    return archive->GetItem(index, item);
}

ZipResult ZipArchiveExtractItem(HZIPARCHIVE archive, int index, const wchar_t* name) {
    if (archive == nullptr) return kZipBadArgs;
    return archive->Extract(index, name);
}

ZipResult ZipArchiveExtractNewFile(HZIPARCHIVE archive, int index, const wchar_t* name) {
    if (archive == nullptr) return kZipNotNew;
    return archive->ExtractNewFile(index, name);
}

ZipResult ZipArchiveWriteItem(HZIPARCHIVE archive, int index, HANDLE file) {
    if (archive == nullptr) return kZipBadArgs;
    return archive->WriteTo(index, file);
}

ZipResult ZipArchiveClose(HZIPARCHIVE archive) {
    if (archive == nullptr) return kZipBadArgs;
    delete archive;
    return kZipOk;
}
