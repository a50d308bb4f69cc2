// stb_image compiled for PNG only, from memory (see png_decode.h), as static
// functions of this file (the compiler drops what is not called) and without
// failure texts (nobody asks for them). Its per-thread settings are never
// set, so they are plain statics: a thread-local variable would bring in the
// runtime's emulated TLS and the whole POSIX thread library (about 32 KB).
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_FAILURE_STRINGS
#define STBI_NO_THREAD_LOCALS
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "png_decode.h"

void StbPixelsFree::operator()(unsigned char* pixels) const {
    stbi_image_free(pixels);
}

StbPixels DecodePngRgba(const unsigned char* bytes, int size, int* width, int* height) {
    int channels = 0;
    return StbPixels(stbi_load_from_memory(bytes, size, width, height, &channels, 4));
}
