// Zip archives for tests: see test_zip.h.
#include "test_zip.h"

#include <windows.h>

#include "unzip.h"
#include "zip.h"

namespace testing_support {

namespace {

std::string Narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

} // namespace

bool ReadZip(const std::wstring& path, ZipEntries* entries)
{
    entries->clear();
    unzFile in = unzOpen(Narrow(path).c_str());
    if (!in)
        return false;
    bool ok = true;
    for (int step = unzGoToFirstFile(in); ok && step == UNZ_OK; step = unzGoToNextFile(in)) {
        char name[512] = {};
        unz_file_info info = {};
        if (unzGetCurrentFileInfo(in, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(in) != UNZ_OK) {
            ok = false;
            break;
        }
        std::string bytes(info.uncompressed_size, '\0');
        const int got = bytes.empty() ? 0 : unzReadCurrentFile(in, &bytes[0], static_cast<unsigned>(bytes.size()));
        ok = unzCloseCurrentFile(in) == UNZ_OK && got == static_cast<int>(bytes.size());
        if (ok)
            entries->emplace_back(name, bytes);
    }
    unzClose(in);
    return ok;
}

bool WriteZip(const std::wstring& path, const ZipEntries& entries)
{
    zipFile out = zipOpen(Narrow(path).c_str(), APPEND_STATUS_CREATE);
    if (!out)
        return false;
    bool ok = true;
    for (const auto& entry : entries) {
        zip_fileinfo info = {};
        if (zipOpenNewFileInZip(out, entry.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION) != ZIP_OK) {
            ok = false;
            continue;
        }
        if (zipWriteInFileInZip(out, entry.second.data(), static_cast<unsigned>(entry.second.size())) != ZIP_OK)
            ok = false;
        if (zipCloseFileInZip(out) != ZIP_OK)
            ok = false;
    }
    return zipClose(out, nullptr) == ZIP_OK && ok;
}

} // namespace testing_support
