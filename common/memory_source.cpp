#include "memory_source.h"

#include <cstring>

namespace {

voidpf ZCALLBACK OpenMemory(voidpf, const void* name, int mode) {
    // The "file name" is the MemorySource itself; only reading is offered.
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    MemorySource* source = static_cast<MemorySource*>(const_cast<void*>(name));
    if (source == nullptr) return nullptr;
    source->position = 0;
    source->lastReadShort = false;
    return source;
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    MemorySource* source = static_cast<MemorySource*>(stream);
    size_t left = source->size - source->position;
    size_t count = size < left ? size : left;
    if (count != 0) {
        std::memcpy(buffer, source->data + source->position, count);
        source->position += count;
    }
    source->lastReadShort = count < size;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf stream) {
    return static_cast<MemorySource*>(stream)->position;
}

long ZCALLBACK SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    MemorySource* source = static_cast<MemorySource*>(stream);
    ZPOS64_T from = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: from = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: from = source->position; break;
    case ZLIB_FILEFUNC_SEEK_END: from = source->size; break;
    default: return -1;
    }
    // minizip passes only forward offsets from SET and CUR; from END it
    // passes 0. Anything that leaves the block fails.
    if (offset > source->size || from > source->size - offset) return -1;
    source->position = static_cast<size_t>(from + offset);
    return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf) { return 0; }

int ZCALLBACK ErrorMemory(voidpf, voidpf stream) {
    return static_cast<MemorySource*>(stream)->lastReadShort ? 1 : 0;
}

} // namespace

void FillMemoryFileFunctions(zlib_filefunc64_def* functions) {
    functions->zopen64_file = OpenMemory;
    functions->zread_file = ReadMemory;
    functions->zwrite_file = WriteMemory;
    functions->ztell64_file = TellMemory;
    functions->zseek64_file = SeekMemory;
    functions->zclose_file = CloseMemory;
    functions->zerror_file = ErrorMemory;
    functions->opaque = nullptr;
}
