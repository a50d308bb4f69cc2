// Skin resources: where layouts and pictures come from.
//
// The process-wide settings (instance, resource path, skin archive name) are
// kept here. ReadResource looks a name up in the skin archive when one is
// set (the archive file is read into memory once and read with minizip over
// that block), else as a file below the resource path. It returns false for
// a missing archive, a damaged archive, a missing entry or an unreadable
// file; nothing here throws. Safe to call from any thread (one internal lock).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace duires {

void SetInstance(HINSTANCE hInst);
HINSTANCE Instance();
void SetResourcePath(const std::wstring& path);   // adds a trailing '\'
std::wstring ResourcePath();
void SetResourceZip(const std::wstring& name);
std::wstring ResourceZip();

bool ReadResource(const std::wstring& name, std::vector<BYTE>* out);

// UTF-8 <-> UTF-16.
std::wstring FromUtf8(const char* s, int len = -1);
std::string ToUtf8(const std::wstring& s);

} // namespace duires
