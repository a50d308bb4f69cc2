// MemorySource: minizip's file functions over a block of memory, so that the
// reader walks an archive where it lies (never copied).
//
// Contract: the MemorySource and the block it names belong to the caller and
// must outlive every minizip handle opened over them. The functions are
// read-only: writing always fails. Seeking is allowed anywhere inside the
// block (position == size included); a seek outside it fails and leaves the
// position unchanged. Reads past the end return what is left (possibly 0),
// and the error query then reports the short read as an error, so that
// minizip never takes a cut-off archive for a complete one.
#pragma once

#include <cstddef>

#include "ioapi.h"

struct MemorySource {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    bool lastReadShort = false;  // minizip asks this after a short read
};

// Fills `functions` so that unzOpen2_64(&source, functions) reads `source`.
void FillMemoryFileFunctions(zlib_filefunc64_def* functions);
