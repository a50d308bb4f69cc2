// setup_timing: times one installation through Setup's windows, the way the
// benchmark needs it (not a test; it asserts nothing).
//
//   setup_timing <setup.exe> <installation directory>
//
// Removes every trace of the product and the directory first, starts the
// given Setup, walks it to Page4, types the directory, and measures from the click on Page4's
// "nextbtn" to the finish page showing. Meanwhile it asks the frame for an
// answer (WM_NULL through SendMessageTimeout) every 20 ms and keeps the
// longest wait. Then it finishes without starting the calendar.
//
// A test program of Setup (SetupFaultTest, SetupScale<N>Test) carries the
// checkpoint gate: before the click this program creates the gate's block
// for Setup's process, holding nowhere, and reads afterwards the worker's
// own clock: from the BeforeExtraction checkpoint to the AfterEntry of the
// last entry (the counter runs at the same rate in every process). The
// shipped Setup has no gate; its worker time is then printed as -1.
//
// Prints one line: "<seconds> <longest answer in ms> <answers> <worker's
// extraction seconds>". Exit status 0 when the installation completed, 1
// otherwise.
#include "checkpoint_gate_driver.h"
#include "fake_installation.h"
#include "wizard_driver.h"

#include "product.h"

#include <cstdio>
#include <shellapi.h>

using namespace testing_support;

namespace {

double Seconds(LONGLONG from, LONGLONG to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    return Seconds(from.QuadPart, to.QuadPart);
}

// The worker's extraction time from the gate (armed to hold nowhere), or -1
// when it noted none (the shipped Setup has no gate).
double ExtractionSeconds(const CheckpointGateDriver& gate)
{
    if (!gate.Armed())
        return -1;
    const LONGLONG start = gate.ExtractionStart(), end = gate.LastEntryWritten();
    return start && end > start ? Seconds(start, end) : -1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: setup_timing <setup.exe> <installation directory>\n");
        return 2;
    }
    CleanProductTraces();
    RemoveTree(argv[2]);
    WizardDriver run;
    if (!run.Start(argv[1], kSetupSkinFileName))
        return 1;
    const CheckpointGateDriver gate(run.ProcessId(), -1);
    if (!run.WaitFrame(kSetupWindowTitle, 30000))
        return 1;
    const bool walked =
        WalkSetupToPage4(run) && run.TypeText(L"Page4", L"pathedit", argv[2]) && run.WaitIdle(10000);
    if (!walked)
        return 1;

    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!run.Click(L"Page4", L"nextbtn"))
        return 1;
    double longest = 0;
    int answers = 0;
    bool finished = false;
    for (;;) {
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(run.Frame(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        QueryPerformanceCounter(&after);
        const double waited = Seconds(before, after) * 1000;
        if (waited > longest)
            longest = waited;
        ++answers;
        if (run.PageVisible(L"Page7")) {
            finished = true;
            break;
        }
        QueryPerformanceCounter(&now);
        if (Seconds(start, now) > 600 || !run.Running())
            break;
        Sleep(20);
    }
    QueryPerformanceCounter(&now);
    const double elapsed = Seconds(start, now);
    if (finished) {
        run.Click(L"Page7", L"runnowbtn");
        run.Click(L"Page7", L"finishbtn");
        run.WaitExit(30000);
    }
    std::printf("%.3f %.1f %d %.3f\n", elapsed, longest, answers, ExtractionSeconds(gate));
    return finished ? 0 : 1;
}
