// stb_image compiled for PNG only, from memory (see png_decode.h).
#define STB_IMAGE_IMPLEMENTATION
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
