// A process for tests to start, copy and rename.
//
//   velt_test_helper sleep <ms> [<event>]        sleeps; sets the named event once running
//   velt_test_helper hold <path> <ms> [<event>]  opens <path> without sharing, sets the
//                                                event, keeps it open for <ms>
// Exit code 0, or 2 for bad arguments, 3 when the file cannot be opened.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

void Signal(int argc, wchar_t** argv, int index)
{
    if (index < argc) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[index]);
        if (event) {
            SetEvent(event);
            CloseHandle(event);
        }
    }
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    int rc = 2;
    if (std::wcscmp(argv[1], L"sleep") == 0) {
        Signal(argc, argv, 3);
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
        rc = 0;
    } else if (std::wcscmp(argv[1], L"hold") == 0 && argc >= 4) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            rc = 3;
        } else {
            Signal(argc, argv, 4);
            Sleep(static_cast<DWORD>(_wtoi(argv[3])));
            CloseHandle(file);
            rc = 0;
        }
    }
    LocalFree(argv);
    return rc;
}
