#include "payload_source.h"

#include "payload_resource.h"

namespace {

// Closes a file handle when it goes out of scope.
struct FileCloser {
    HANDLE handle;
    ~FileCloser() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

} // namespace

bool PayloadSource::LoadEmbedded(std::wstring* error) {
    FindPayload(GetModuleHandleW(nullptr), &m_data, &m_size);
    if (m_data == nullptr)
        *error = L"no payload is embedded in this program; use --archive <file.zip>";
    return m_data != nullptr;
}

bool PayloadSource::LoadFile(const wchar_t* path, std::wstring* error) {
    FileCloser file{CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        *error = std::wstring(L"cannot open ") + path;
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size) || size.QuadPart <= 0 || size.QuadPart > 0x7FFFFFFF) {
        *error = std::wstring(L"unusable size: ") + path;
        return false;
    }
    m_file.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    size_t at = 0;
    while (at < m_file.size()) {
        DWORD chunk = static_cast<DWORD>(m_file.size() - at > 0x1000000 ? 0x1000000 : m_file.size() - at);
        if (!ReadFile(file.handle, m_file.data() + at, chunk, &done, nullptr) || done == 0) {
            *error = std::wstring(L"cannot read ") + path;
            return false;
        }
        at += done;
    }
    m_data = m_file.data();
    m_size = static_cast<DWORD>(m_file.size());
    return true;
}
