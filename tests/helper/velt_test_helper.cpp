// A process for tests to start, copy and rename.
//
//   velt_test_helper sleep <ms> [<event>]        sleeps; sets the named event once running
//   velt_test_helper hold <path> <ms> [<event>]  opens <path> without sharing, sets the
//                                                event, keeps it open for <ms>
// Exit code 0, or 2 for bad arguments, 3 when the file cannot be opened. The
// file is closed, and the arguments freed, by the process's end.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const bool hold = argv && argc >= 4 && std::wcscmp(argv[1], L"hold") == 0;
    if (!hold && !(argv && argc >= 3 && std::wcscmp(argv[1], L"sleep") == 0))
        return 2;
    if (hold && CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr) == INVALID_HANDLE_VALUE)
        return 3;
    // The time, then the event.
    const int time = hold ? 3 : 2;
    HANDLE event = time + 1 < argc ? OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[time + 1]) : nullptr;
    if (event)
        SetEvent(event);
    Sleep(static_cast<DWORD>(_wtoi(argv[time])));
    return 0;
}
