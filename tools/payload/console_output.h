// Text output of the payload tool: UTF-16 strings to standard output or
// standard error. On a console they go through WriteConsoleW; redirected to a
// file or pipe they are written as UTF-8 bytes, whatever the code page, so
// that Chinese names survive for the reader. Failures are ignored.
#pragma once

#include <string>

void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
