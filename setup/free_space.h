// The free-space figure of the location page: for a path that starts with a
// drive letter and a colon, the free bytes of that drive's volume (all of
// them, not only those available to the caller) in megabytes of 1,048,576
// bytes, formatted "%4.2fMB" and a line feed ("12345.67MB\n"). Empty for any
// other path (relative, a share, shorter than two characters) and when the
// volume cannot be asked (a drive that does not exist or is not ready).
#pragma once

#include <string>

std::wstring FreeSpaceFigure(const std::wstring& path);

// The figure for a count of free bytes, as above.
std::wstring FormatFreeMegabytes(unsigned long long freeBytes);
