#include "payload_size.h"

#include "ZipArchive.h"

DWORD PayloadSizeKb(const void* payload, DWORD payloadSize)
{
    if (!payload)
        return 0;
    const ZipArchivePtr archive(ZipArchiveOpen(payload, payloadSize));
    ZipItem item = {};
    if (!archive || ZipArchiveGetItem(archive.get(), -1, &item) != kZipOk)
        return 0;
    const int count = item.index;
    unsigned long long bytes = 0;
    for (int i = 0; i < count; ++i) {
        if (ZipArchiveGetItem(archive.get(), i, &item) != kZipOk)
            return 0;
        bytes += item.uncompressedSize;
    }
    const unsigned long long kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(kb);
}
