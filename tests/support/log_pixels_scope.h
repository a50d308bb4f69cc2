// The display's DPI under Wine for the processes started while a
// LogPixelsScope lives: Wine reads HKEY_CURRENT_USER\Control Panel\Desktop
// "LogPixels" (REG_DWORD) when a process starts. The constructor writes it;
// Set() says whether that worked. The destructor puts back the value that
// was there before, or deletes it when there was none, also when the test
// failed on the way.
#pragma once

#include <windows.h>

#include <shlwapi.h>

namespace testing_support {

class LogPixelsScope {
public:
    explicit LogPixelsScope(DWORD dpi) {
        DWORD size = sizeof m_old, type = 0;
        m_had = SHGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, &type, &m_old, &size) == ERROR_SUCCESS &&
                type == REG_DWORD;
        m_set = Write(dpi);
    }
    ~LogPixelsScope() {
        if (m_had)
            Write(m_old);
        else
            SHDeleteValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
    LogPixelsScope(const LogPixelsScope&) = delete;
    LogPixelsScope& operator=(const LogPixelsScope&) = delete;
    bool Set() const { return m_set; }

private:
    static constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
    static constexpr wchar_t kLogPixels[] = L"LogPixels";

    static bool Write(DWORD dpi) {
        return SHSetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
    }
    DWORD m_old = 0;
    bool m_had = false;
    bool m_set = false;
};

} // namespace testing_support
