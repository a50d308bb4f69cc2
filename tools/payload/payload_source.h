// PayloadSource: the bytes of a payload archive for the payload tool, either
// the payload resource of the running program (kPayloadResourceType and
// kPayloadResourceId of product.h; used in place, as Setup does)
// or a whole file read into memory. Owns the file's copy; the resource
// belongs to the module. Load* return false with a message in *error.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class PayloadSource {
public:
    bool LoadEmbedded(std::wstring* error);
    bool LoadFile(const wchar_t* path, std::wstring* error);
    const void* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    std::vector<unsigned char> m_file;
    const void* m_data = nullptr;
    DWORD m_size = 0;
};
