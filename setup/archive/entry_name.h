// Entry names: decoding the stored bytes, sanitising the result, and deciding
// whether a name stays below the directory it is written to.
//
// Contract:
// - DecodeEntryName converts `length` bytes to UTF-16 into `out` (capacity
//   `capacity` units with the terminator): from UTF-8 when `utf8` is true,
//   otherwise from code page 936 (never the system's ANSI code page, so a
//   payload made on a Chinese system installs the same names everywhere).
//   Returns false, with `out` empty, when the text does not fit, holds a NUL,
//   or cannot be converted.
// - SanitiseEntryName rewrites a terminated name in place by applying the
//   first rule that fits, again and again: drop "X:" at the start; drop one
//   leading "\\" or "/"; keep only what follows the first "\\..\\", then
//   "\\../", "/../", "/..\\" (tested in that order).
// - IsAbsoluteName: starts with "\\" or "/", or has ":" as second unit.
// - HasParentComponent: some component, between separators, is exactly "..".
#pragma once

#include <cstddef>

bool DecodeEntryName(const char* bytes, size_t length, bool utf8, wchar_t* out, size_t capacity);
void SanitiseEntryName(wchar_t* name);
bool IsAbsoluteName(const wchar_t* name);
bool HasParentComponent(const wchar_t* name);
