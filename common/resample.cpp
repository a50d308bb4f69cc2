// Resizing of premultiplied pixels (see resample.h).
#include "resample.h"

#include <math.h>

#include <vector>

namespace pixels {
namespace {

// One axis of a resize: for destination pixel d, `taps` weights summing to
// one for the source pixels first[d], first[d] + 1, ...; pixels outside the
// source read its nearest edge pixel.
struct Axis {
    int taps = 0;
    std::vector<int> first;
    std::vector<float> weights;
};

// The Catmull-Rom cubic (Keys' a = -0.5): one at 0, zero at the other
// integers, so that an unchanged size copies the pixels.
float CatmullRom(float t)
{
    t = fabsf(t);
    if (t < 1.0f) return (1.5f * t - 2.5f) * t * t + 1.0f;
    if (t < 2.0f) return ((-0.5f * t + 2.5f) * t - 4.0f) * t + 2.0f;
    return 0.0f;
}

void MakeAxis(int from, int to, Axis* axis)
{
    const float step = static_cast<float>(from) / static_cast<float>(to);
    const bool enlarge = to >= from;
    // A shrinking pixel covers `step` source pixels, which may straddle one
    // more.
    axis->taps = enlarge ? 4 : static_cast<int>(ceilf(step)) + 1;
    axis->first.resize(to);
    axis->weights.assign(static_cast<size_t>(to) * axis->taps, 0.0f);
    for (int d = 0; d < to; ++d) {
        float* w = &axis->weights[static_cast<size_t>(d) * axis->taps];
        if (enlarge) {
            // The destination pixel's centre in source pixels.
            const float x = (static_cast<float>(d) + 0.5f) * step - 0.5f;
            const int i = static_cast<int>(floorf(x)) - 1;
            axis->first[d] = i;
            for (int k = 0; k < 4; ++k) w[k] = CatmullRom(x - static_cast<float>(i + k));
        } else {
            // The share of each source pixel in [lo, hi).
            const float lo = static_cast<float>(d) * step, hi = lo + step;
            const int i = static_cast<int>(floorf(lo));
            axis->first[d] = i;
            for (int k = 0; k < axis->taps; ++k) {
                const float left = static_cast<float>(i + k), right = left + 1.0f;
                const float overlap = (hi < right ? hi : right) - (lo > left ? lo : left);
                w[k] = overlap > 0.0f ? overlap / step : 0.0f;
            }
        }
    }
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

BYTE ToByte(float v, int most)
{
    return static_cast<BYTE>(Clamp(static_cast<int>(v + 0.5f), 0, most));
}

} // namespace

void Resample(const BYTE* from, int width, int height, int fromStride, BYTE* to, int toWidth, int toHeight)
{
    Axis across, down;
    MakeAxis(width, toWidth, &across);
    MakeAxis(height, toHeight, &down);
    // Rows resized across first (width x height becomes toWidth x height),
    // kept as floats, then the columns.
    const size_t rowFloats = static_cast<size_t>(toWidth) * 4;
    std::vector<float> rows(rowFloats * height, 0.0f);
    for (int y = 0; y < height; ++y) {
        const BYTE* line = from + static_cast<size_t>(y) * fromStride;
        float* out = &rows[rowFloats * y];
        for (int x = 0; x < toWidth; ++x, out += 4) {
            const float* w = &across.weights[static_cast<size_t>(x) * across.taps];
            for (int k = 0; k < across.taps; ++k) {
                const BYTE* p = line + Clamp(across.first[x] + k, 0, width - 1) * 4;
                for (int c = 0; c < 4; ++c) out[c] += w[k] * p[c];
            }
        }
    }
    for (int y = 0; y < toHeight; ++y) {
        const float* w = &down.weights[static_cast<size_t>(y) * down.taps];
        BYTE* out = to + static_cast<size_t>(y) * toWidth * 4;
        for (int x = 0; x < toWidth; ++x, out += 4) {
            float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (int k = 0; k < down.taps; ++k) {
                const float* p = &rows[rowFloats * Clamp(down.first[y] + k, 0, height - 1) + x * 4];
                for (int c = 0; c < 4; ++c) sum[c] += w[k] * p[c];
            }
            // BGRA: no colour above the alpha.
            out[3] = ToByte(sum[3], 255);
            for (int c = 0; c < 3; ++c) out[c] = ToByte(sum[c], out[3]);
        }
    }
}

} // namespace pixels
