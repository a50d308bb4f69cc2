// Zip archives for tests: see test_zip.h. Written with BuildZip
// (zip_builder.h); read with minizip over the file's bytes in memory
// (common/memory_source.h).
#include "test_zip.h"

#include "memory_source.h"
#include "test_support.h"
#include "unzip.h"
#include "zip_builder.h"

namespace testing_support {

bool ReadZip(const std::wstring& path, ZipEntries* entries)
{
    entries->clear();
    std::string archive;
    if (!ReadBytes(path, &archive))
        return false;
    MemorySource source{.data = reinterpret_cast<const unsigned char*>(archive.data()), .size = archive.size()};
    zlib_filefunc64_def io;
    FillMemoryFileFunctions(&io);
    unzFile in = unzOpen2_64(&source, &io);
    if (!in)
        return false;
    bool ok = true;
    for (int step = unzGoToFirstFile(in); ok && step == UNZ_OK; step = unzGoToNextFile(in)) {
        char name[512] = {};
        unz_file_info info = {};
        ok = unzGetCurrentFileInfo(in, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK &&
             unzOpenCurrentFile(in) == UNZ_OK;
        std::string bytes(ok ? info.uncompressed_size : 0, '\0');
        const int size = static_cast<int>(bytes.size());
        ok = ok && unzReadCurrentFile(in, bytes.data(), size) == size && unzCloseCurrentFile(in) == UNZ_OK;
        if (ok)
            entries->emplace_back(name, bytes);
    }
    unzClose(in);
    return ok;
}

bool WriteZip(const std::wstring& path, const ZipEntries& entries)
{
    std::vector<TestEntry> built;
    for (const auto& [name, bytes] : entries)
        built.push_back({.name = name, .data = bytes});
    return WriteBytes(path, BuildZip(built));
}

} // namespace testing_support
