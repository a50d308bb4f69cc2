// Entry names: decoding the stored bytes, sanitising the result, and deciding
// whether a name stays below the directory it is written to.
//
// Contract:
// - DecodeEntryName converts `length` bytes to UTF-16 into `out` (capacity
//   `capacity` units with the terminator): from UTF-8 when `utf8` is true,
//   otherwise from code page 936 (never the system's ANSI code page, so a
//   payload made on a Chinese system installs the same names everywhere).
//   Where code page 936 is not installed (a Windows without East Asian
//   language support), the system's ANSI code page (CP_ACP) is used instead,
//   strictly: an invalid byte sequence, or a control character (what a
//   single-byte page gives for the bytes it leaves undefined, such as 0x81 in
//   code page 1252), fails the name rather than making up a character.
//   Returns false, with `out` empty, when the text does not fit, holds a NUL,
//   or cannot be converted.
// - SimulateMissingNameCodePage: test programs only; while true, decoding
//   acts as on a system without code page 936. The shipped programs never
//   call it.
// - SanitiseEntryName rewrites a terminated name in place by applying the
//   first rule that fits, again and again: drop "X:" at the start; drop one
//   leading "\\" or "/"; keep only what follows the first "\\..\\", then
//   "\\../", "/../", "/..\\" (tested in that order).
// - IsAbsoluteName: starts with "\\" or "/", or has ":" as second unit.
// - IsPlainEntryName: the name means one plain file or folder on every
//   Windows file system: no ':' anywhere (an alternate data stream, a drive),
//   no component ending in '.' or ' ' (Windows drops those, so the name
//   would open another file), and no component of the short 8.3 form with a
//   '~' and a digit ("UNINST~1.EXE", which may open an existing long-named
//   file). The components "." and ".." are left to HasParentComponent and
//   the containment test.
// - HasParentComponent: some component, between separators, is exactly "..".
#pragma once

#include <cstddef>

bool DecodeEntryName(const char* bytes, size_t length, bool utf8, wchar_t* out, size_t capacity);
void SimulateMissingNameCodePage(bool missing);
void SanitiseEntryName(wchar_t* name);
bool IsAbsoluteName(const wchar_t* name);
bool IsPlainEntryName(const wchar_t* name);
bool HasParentComponent(const wchar_t* name);
