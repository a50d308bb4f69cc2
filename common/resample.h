// Resizing of 32-bit premultiplied pixels, for the pictures drawn above 96
// DPI (the window library's and the calendar's). Each axis on its own: shrinking averages the
// area a destination pixel covers, enlarging (and keeping the size) uses a
// Catmull-Rom cubic; beyond the edges of the source the edge pixels repeat,
// so a sprite cut from a sheet never takes in its neighbours. The results
// are clamped so that they stay valid premultiplied pixels (no channel above
// its alpha), since the cubic overshoots at hard edges. A size kept on both
// axes copies the pixels unchanged.
#pragma once

#include <windows.h>

namespace pixels {

// Resizes `width` x `height` pixels at `from` (rows `fromStride` bytes
// apart) into `toWidth` x `toHeight` pixels at `to` (rows toWidth * 4 bytes
// apart). Every size must be positive; the caller owns both buffers. The
// work memory comes from operator new (which ends the process when there
// is none).
void Resample(const BYTE* from, int width, int height, int fromStride, BYTE* to, int toWidth, int toHeight);

} // namespace pixels
