// first_screen: how long a person waits for a program's first screen, for
// the benchmark (not a test; it asserts nothing).
//
//   first_screen [--clean] [--runs N] [--shots <prefix>] <program>...
//   first_screen --clean
//
// Starts each program (no arguments, its own folder as the current one) and
// times from just before CreateProcess until its first screen is drawn,
// which is, for every program alike, the first look (every kPollMs) from
// which on, for at least kSettleMs:
//   - a top-level window of the process is visible and at least 100 by 100
//     pixels (the first such window found; its class is printed);
//   - the process was waiting for input with none pending (WaitForInputIdle)
//     when the window's pixels were read (they are read only then);
//   - the window's pixels on the screen stayed as they were, and they are
//     not blank: every 4th pixel of every 4th row together hold at least
//     kPaintedColours different colours.
// A window drawn in stages (a background first, the pictures and texts
// later) thus counts from its last stage. Then the window is sent WM_CLOSE,
// as a click on its close box would (the programs measured here quit on it
// without asking), and the program is awaited; one that stays is ended.
//
// The programs take turns: first one unmeasured run of each (the files they
// load are then in the cache, and the desktop process is up, as on a
// machine in use), then N rounds (default 5), round r starting with program
// r mod count. This process keeps the desktop open in between.
//
// --clean removes every trace of the product before every start (install
// records, autostart values, shortcuts), outside the measured time, so that
// Setup opens on its fresh installation's first screen; alone, it only
// cleans. --shots saves each program's last measured first screen as
// <prefix>-<k>.bmp (k = its position, from 1), to look at.
//
// Prints a line per measured run, "run <k> <seconds> <colours> <window
// class>", then one per program, "program <k> <median> <min> <max> <runs
// seen>" in seconds. Exit status 0 when every run saw its first screen, 1
// when not, 2 on bad usage.
#include "fake_installation.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 10;
constexpr double kSettleMs = 500;
constexpr DWORD kLimitMs = 60000;
constexpr size_t kPaintedColours = 16;

double SecondsSince(const LARGE_INTEGER& from)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    RECT rect;
    if (owner != search.processId || !IsWindowVisible(window) || !GetWindowRect(window, &rect) ||
        rect.right - rect.left < 100 || rect.bottom - rect.top < 100)
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD processId)
{
    Search search = {processId, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Screen {
    std::vector<DWORD> pixels;  // top row first, 0x00RRGGBB
    int width = 0;
    int height = 0;
    bool operator==(const Screen& other) const
    {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// The window's pixels as the screen shows them; empty when they cannot be read.
Screen ReadScreen(HWND window)
{
    Screen screen;
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return screen;
    screen.width = rect.right - rect.left;
    screen.height = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = screen.width;
    info.bmiHeader.biHeight = -screen.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC display = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(display);
    HBITMAP bitmap = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, screen.width, screen.height, display, rect.left, rect.top, SRCCOPY)) {
            GdiFlush();
            const DWORD* first = static_cast<const DWORD*>(bits);
            screen.pixels.assign(first, first + static_cast<size_t>(screen.width) * screen.height);
            for (DWORD& pixel : screen.pixels)
                pixel &= 0xFFFFFF;
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, display);
    return screen;
}

// Different colours among every 4th pixel of every 4th row.
size_t Colours(const Screen& screen)
{
    std::vector<DWORD> samples;
    for (int y = 0; y < screen.height && !screen.pixels.empty(); y += 4) {
        for (int x = 0; x < screen.width; x += 4)
            samples.push_back(screen.pixels[static_cast<size_t>(y) * screen.width + x]);
    }
    std::sort(samples.begin(), samples.end());
    return static_cast<size_t>(std::unique(samples.begin(), samples.end()) - samples.begin());
}

void SaveBitmap(const std::wstring& path, const Screen& screen)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = screen.width;
    header.biHeight = -screen.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD bytes = static_cast<DWORD>(screen.pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + bytes;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(out, &file, sizeof(file), &written, nullptr);
    WriteFile(out, &header, sizeof(header), &written, nullptr);
    WriteFile(out, screen.pixels.data(), bytes, &written, nullptr);
    CloseHandle(out);
}

std::wstring ClassOf(HWND window)
{
    WCHAR name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct Run {
    bool seen = false;
    double seconds = 0;
    size_t colours = 0;
    std::wstring windowClass = L"-";
    Screen screen;
};

// One start of `program`, timed to its first screen, and its end.
Run TimeFirstScreen(const std::wstring& program)
{
    Run run;
    std::wstring commandLine = L"\"" + program + L"\"";
    const size_t slash = program.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return run;

    HWND window = nullptr;
    double settledSince = -1;  // when the screen took its last state, with the process waiting
    for (;;) {
        const double now = SecondsSince(start);
        window = VisibleWindowOf(process.dwProcessId);
        if (!window) {
            settledSince = -1;
        } else if (WaitForInputIdle(process.hProcess, 0) == 0) {
            Screen screen = ReadScreen(window);
            if (settledSince < 0 || !(screen == run.screen)) {
                settledSince = now;
                run.screen = std::move(screen);
            }
        }
        if (settledSince >= 0 && (now - settledSince) * 1000 >= kSettleMs)
            break;
        if (now * 1000 > kLimitMs || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(kPollMs);
    }
    if (settledSince >= 0) {
        run.colours = Colours(run.screen);
        run.seen = run.colours >= kPaintedColours;
        run.seconds = settledSince;
        run.windowClass = ClassOf(window);
    }

    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

int Usage()
{
    std::fprintf(stderr, "usage: first_screen [--clean] [--runs N] [--shots <prefix>] <program>...\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    bool clean = false;
    int runs = 5;
    std::wstring shots;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == L'-'; ++arg) {
        const std::wstring option = argv[arg];
        if (option == L"--clean")
            clean = true;
        else if (option == L"--runs" && arg + 1 < argc)
            runs = static_cast<int>(std::wcstol(argv[++arg], nullptr, 10));
        else if (option == L"--shots" && arg + 1 < argc)
            shots = argv[++arg];
        else
            return Usage();
    }
    const std::vector<std::wstring> programs(argv + arg, argv + argc);
    if (clean && programs.empty()) {
        testing_support::CleanProductTraces();
        return 0;
    }
    if (programs.empty() || runs < 1)
        return Usage();

    const size_t count = programs.size();
    std::vector<std::vector<double>> times(count);
    bool allSeen = true;
    for (int round = -1; round < runs; ++round) {
        for (size_t turn = 0; turn < count; ++turn) {
            const size_t k = (static_cast<size_t>(round < 0 ? 0 : round) + turn) % count;
            if (clean)
                testing_support::CleanProductTraces();
            const Run run = TimeFirstScreen(programs[k]);
            if (round < 0)
                continue;  // the unmeasured first run
            std::printf("run %u %.3f %u %ls\n", static_cast<unsigned>(k + 1), run.seconds,
                        static_cast<unsigned>(run.colours), run.windowClass.c_str());
            std::fflush(stdout);
            allSeen = allSeen && run.seen;
            if (!run.seen)
                continue;
            times[k].push_back(run.seconds);
            if (!shots.empty())
                SaveBitmap(shots + L"-" + std::to_wstring(k + 1) + L".bmp", run.screen);
        }
    }
    for (size_t k = 0; k < count; ++k) {
        std::vector<double>& t = times[k];
        std::sort(t.begin(), t.end());
        const double median = t.empty() ? 0 : t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
        std::printf("program %u %.3f %.3f %.3f %u\n", static_cast<unsigned>(k + 1), median, t.empty() ? 0 : t.front(),
                    t.empty() ? 0 : t.back(), static_cast<unsigned>(t.size()));
    }
    return allSeen ? 0 : 1;
}
