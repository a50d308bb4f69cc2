// stb_image compiled for PNG only (and stb_image_resize), from memory (see png_decode.h), as static
// functions of this file (the compiler drops what is not called) and without
// failure texts (nobody asks for them).
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_FAILURE_STRINGS
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
// stb_image_resize for the pictures drawn above 96 DPI, static as above.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>
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

bool ResizePremultiplied(const unsigned char* src, int w, int h, unsigned char* dst, int dw, int dh) {
    if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0) return false;
    if (!stbir_resize_uint8_generic(src, w, h, w * 4, dst, dw, dh, dw * 4, 4, 3, STBIR_FLAG_ALPHA_PREMULTIPLIED,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr))
        return false;
    // The cubic filter overshoots at sharp edges, channel by channel: a
    // colour above its alpha is no premultiplied pixel, and AlphaBlend would
    // wrap it round into a wrong colour.
    for (unsigned char* p = dst; p < dst + static_cast<size_t>(dw) * dh * 4; p += 4) {
        for (int c = 0; c < 3; ++c)
            if (p[c] > p[3]) p[c] = p[3];
    }
    return true;
}
