// FileHandle: owns a kernel handle whose "none" value is INVALID_HANDLE_VALUE
// (files from CreateFileW, find handles excluded). Closes it when reset,
// closed or destroyed; never copied.
#pragma once

#include <windows.h>

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    void Close()
    {
        if (Valid())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

// The same owner for a thread (CreateThread gives null on failure, which
// Valid() refuses too).
using ThreadHandle = FileHandle;
