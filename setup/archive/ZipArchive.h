// ZipArchive: the reader over a zip archive that lies in memory (the payload
// inside Setup). It lists the entries one by one as ZipItem records and writes
// one entry at a time below a base directory, with the archive's attributes
// and times.
//
// Contract:
// - ZipArchiveOpen does not copy the archive: the caller owns the bytes and
//   keeps them alive and unchanged until ZipArchiveClose. It returns nullptr
//   when the block holds no readable zip directory (no end record, or its
//   counts disagree) or memory runs out.
// - Every other function takes the handle and returns a ZipResult (below).
//   A null handle gives kZipBadArgs. ZipArchiveClose frees everything the
//   handle owns (reader state, transfer buffer, the handle itself).
// - Entry names are decoded from code page 936, whatever the system's ANSI
//   code page is, or from UTF-8 when the entry's UTF-8 flag (bit 11) is set.
//   They are then sanitised (drive prefixes, leading separators and anything
//   up to a "\..\"-like sequence are dropped, repeatedly).
//   A name that is not plain after that (a ':' anywhere, a component ending
//   in '.' or ' ', a component shaped like a short 8.3 alias such as
//   "UNINST~1.EXE") is refused: Get item gives kZipNoFile with an empty
//   name, Extract item kZipNoFile.
// - ZipArchiveExtractItem never writes outside the base directory: a name that
//   is absolute, has a ".." component, or resolves outside the base gives
//   kZipNoFile and nothing is written. Names and paths that do not fit 260
//   UTF-16 units give kZipNoFile as well, never a truncated path.
// - An entry whose data do not match its checksum or size gives kZipInflate
//   (the file that was written stays). A zero-length entry gives an empty file
//   with its times and kZipOk.
// - One handle is used by one thread at a time; there is no locking.
#pragma once

#include <windows.h>

#include <memory>

// Result codes of the archive functions.
typedef DWORD ZipResult;
inline constexpr ZipResult kZipOk = 0x00000000;
inline constexpr ZipResult kZipNotNew = 0x00000100;       // ZipArchiveExtractNewFile only: nothing made (see there)
inline constexpr ZipResult kZipNoFile = 0x00000200;       // archive not opened / output not created / unusable name
inline constexpr ZipResult kZipWriteFailed = 0x00000400;  // writing the output file failed
inline constexpr ZipResult kZipBadHeader = 0x00000700;    // local header missing or disagrees; entry record unreadable
inline constexpr ZipResult kZipBadExtra = 0x00000800;     // local extra field could not be read in full
inline constexpr ZipResult kZipPassword = 0x00001000;     // entry is encrypted (no password is ever set)
inline constexpr ZipResult kZipBadArgs = 0x00010000;      // no handle, or index out of range
inline constexpr ZipResult kZipInflate = 0x05000000;      // inflating failed, data short, or checksum wrong

// The longest name or path, in UTF-16 units including the terminator.
inline constexpr int kZipMaxPath = MAX_PATH;

// One entry as ZipArchiveGetItem describes it. For index -1 (the count
// query) only `index` is set, to the number of entries; the rest is zero.
struct ZipItem {
    int index;                     // position in the central directory (or the count)
    wchar_t name[kZipMaxPath];     // sanitised name, "/" or "\\" as separators
    DWORD attributes;              // FILE_ATTRIBUTE_* bits: 0x01, 0x02, 0x04, 0x10, 0x20
    FILETIME accessTime;           // UTC
    FILETIME creationTime;         // UTC
    FILETIME writeTime;            // UTC
    DWORD compressedSize;          // bytes stored in the archive
    DWORD uncompressedSize;        // bytes after extraction
};

struct ZipArchive;  // opaque; lives behind the handle
typedef ZipArchive* HZIPARCHIVE;

// Opens the archive in [data, data + size). The base directory starts as the
// current directory. Returns nullptr on failure.
HZIPARCHIVE ZipArchiveOpen(const void* data, DWORD size);

// Copies `dir` as the base directory and appends "\\" unless it ends in "\\"
// or "/". A null or empty dir, or one that does not fit 260 units with the
// separator, gives kZipBadArgs and leaves no base: extraction then fails with
// kZipNoFile until a usable base is set.
ZipResult ZipArchiveSetBaseDir(HZIPARCHIVE archive, const wchar_t* dir);

// Describes entry `index` (0 .. count-1), or the count for index -1.
// On any failure `item` is cleared (index set to `index`, empty name).
ZipResult ZipArchiveGetItem(HZIPARCHIVE archive, int index, ZipItem* item);

// Writes entry `index` to `name`, relative to the base directory. Folder
// entries create the folder and its parents; files are created with
// CREATE_ALWAYS and get the entry's attributes and times.
ZipResult ZipArchiveExtractItem(HZIPARCHIVE archive, int index, const wchar_t* name);

// ZipArchiveExtractItem for the common case, without a look first: a file
// entry into a new file in a folder that exists (CREATE_NEW). When anything
// would stop before that file is made (a bad handle, index or name, a folder
// entry, an unreadable, encrypted or unsupported entry, a missing folder, a
// file or folder of that name already there), nothing is made and the result
// is kZipNotNew: ZipArchiveExtractItem then does what it does. Otherwise the
// results of ZipArchiveExtractItem.
ZipResult ZipArchiveExtractNewFile(HZIPARCHIVE archive, int index, const wchar_t* name);

// Writes file entry `index`'s data into `file`, a file the caller made and
// opened for writing (the caller decides where, and checked it), then sets
// the entry's times on it; its attributes are the caller's to set. No name
// is used and no folder made. kZipBadArgs for a folder entry or no file;
// otherwise the results of ZipArchiveExtractItem after the file is made.
ZipResult ZipArchiveWriteItem(HZIPARCHIVE archive, int index, HANDLE file);

// Closes the archive and frees the handle. kZipBadArgs for a null handle.
ZipResult ZipArchiveClose(HZIPARCHIVE archive);

// Owns a handle and closes it when it goes out of scope.
struct ZipArchiveCloser {
    void operator()(HZIPARCHIVE archive) const { ZipArchiveClose(archive); }
};
typedef std::unique_ptr<ZipArchive, ZipArchiveCloser> ZipArchivePtr;
