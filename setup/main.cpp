// Setup's entry: sets up the skin archive "VELTSetupDate.DAT" beside the
// executable, takes the exit lock that a delayed removal waits for, looks for
// the install record (HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER) to choose
// between a fresh installation and maintenance, creates the frame and every
// page of that mode, runs the message loop, and then ends what still runs:
// an unfinished installation is rolled back, a repair or removal finishes
// the step it has begun. Windows are destroyed while every object is alive;
// the objects are freed afterwards in creation order.
//
// A missing or unreadable skin archive, or one without the frame's layout,
// is reported ("安装程序已损坏，请重新下载后再安装。") before anything is
// changed. Ignores its command line; returns 0 in every case.
#include "cover_wnd.h"
#include "delayed_removal.h"
#include "maintenance_pages.h"
#include "page1_wnd.h"
#include "page2_wnd.h"
#include "page3_wnd.h"
#include "page4_wnd.h"
#include "page6_wnd.h"
#include "page7_wnd.h"
#include "page8_wnd.h"
#include "page9_wnd.h"
#include "process_state.h"
#include "product.h"
#include "registry_key.h"
#include "repair_pages.h"
#include "setup_state.h"
#include "skin_check.h"

#include <new>
#include <vector>

namespace {

// Every window object of the run, in creation order.
std::vector<CWizardWnd*> g_created;

template <typename T>
T* Make(T*& global)
{
    global = new (std::nothrow) T;
    if (global)
        g_created.push_back(global);
    return global;
}

void ClearPointers()
{
    g_pCoverWnd = nullptr;
    g_pPage1Wnd = nullptr;
    g_pPage2Wnd = nullptr;
    g_pPage3Wnd = nullptr;
    g_pPage4Wnd = nullptr;
    g_pPage6Wnd = nullptr;
    g_pPage7Wnd = nullptr;
    g_pPage8Wnd = nullptr;
    g_pPage9Wnd = nullptr;
    g_pPage10Wnd = nullptr;
    g_pPage11Wnd = nullptr;
    g_pPage12Wnd = nullptr;
    g_pPage13Wnd = nullptr;
}

// Found under HKEY_LOCAL_MACHINE: maintenance for all users; else under
// HKEY_CURRENT_USER: maintenance for the current user; else a fresh
// installation (for all users until Page3 says otherwise).
void ProbeRecord()
{
    const std::wstring path = InstallRecordKeyPath(g_strProductKey);
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path.c_str(), kProbeAccess) == ERROR_SUCCESS) {
        g_bAllUsers = 1;
        g_bInstalled = 1;
        return;
    }
    key.Close();
    if (key.Open(HKEY_CURRENT_USER, path.c_str(), kProbeAccess) == ERROR_SUCCESS) {
        g_bAllUsers = 0;
        g_bInstalled = 1;
    }
}

template <typename T>
bool MakePage(T*& global, HWND frame, const wchar_t* name, int y)
{
    if (!Make(global))
        return false;
    global->Create(frame, name, 0x56000000, 0, 5, y, 511, 391);
    ::ShowWindow(global->GetHWND(), SW_HIDE);
    return true;
}

// False when an object could not be allocated (no loop then) or the frame's
// layout did not build (the skin is damaged).
bool CreateFreshInstallWindows(bool* damaged)
{
    if (!Make(g_pCoverWnd))
        return false;
    g_pCoverWnd->Create(nullptr, kSetupWindowTitle, 0x96C80000, 0, 0, 0, 516, 396);
    if (!g_pCoverWnd->PaintManager().GetRoot()) {
        *damaged = true;
        return false;
    }
    g_pCoverWnd->CenterWindow();
    ::ShowWindow(g_pCoverWnd->GetHWND(), SW_SHOW);
    const HWND frame = g_pCoverWnd->GetHWND();
    return MakePage(g_pPage1Wnd, frame, L"Page1", 34) && MakePage(g_pPage2Wnd, frame, L"Page2", 34) &&
           MakePage(g_pPage3Wnd, frame, L"Page3", 34) && MakePage(g_pPage4Wnd, frame, L"Page4", 34) &&
           MakePage(g_pPage6Wnd, frame, L"Page6", 34) && MakePage(g_pPage7Wnd, frame, L"Page7", 34);
}

bool CreateMaintenanceWindows(bool* damaged)
{
    if (!Make(g_pPage8Wnd))
        return false;
    g_pPage8Wnd->Create(nullptr, kSetupWindowTitle, 0x96C80000, 0, 0, 0, 517, 397);
    if (!g_pPage8Wnd->PaintManager().GetRoot()) {
        *damaged = true;
        return false;
    }
    g_pPage8Wnd->CenterWindow();
    ::ShowWindow(g_pPage8Wnd->GetHWND(), SW_SHOW);
    const HWND frame = g_pPage8Wnd->GetHWND();
    return MakePage(g_pPage9Wnd, frame, L"Page9", 34) && MakePage(g_pPage10Wnd, frame, L"Page10", 31) &&
           MakePage(g_pPage11Wnd, frame, L"Page11", 32) && MakePage(g_pPage12Wnd, frame, L"Page12", 34) &&
           MakePage(g_pPage13Wnd, frame, L"Page13", 34);
}

// After the loop: whatever still works is brought to its end while every
// window exists, then the windows go (the frame takes its pages with it),
// then the objects in creation order.
void Teardown()
{
    // An unfinished installation learns of the quit before anything else
    // happens: it stops at its very next checkpoint.
    if (g_pPage6Wnd)
        g_pPage6Wnd->StopOnQuit();
    CWizardWnd* frame = g_pCoverWnd ? static_cast<CWizardWnd*>(g_pCoverWnd) : g_pPage8Wnd;
    if (frame && IsWindow(frame->GetHWND()))
        ::ShowWindow(frame->GetHWND(), SW_HIDE);
    if (g_pPage6Wnd)
        g_pPage6Wnd->FinishOnQuit();
    if (g_pPage10Wnd)
        g_pPage10Wnd->WaitForWorker();
    if (g_pPage12Wnd)
        g_pPage12Wnd->WaitForWorker();
    if (frame && IsWindow(frame->GetHWND()))
        DestroyWindow(frame->GetHWND());
    for (CWizardWnd* window : g_created)
        delete window;
    g_created.clear();
    ClearPointers();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CPaintManagerUI::SetInstance(instance);
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    CPaintManagerUI::SetResourceZip(kSetupSkinFileName);
    HoldExitLockUntilExit();

    ProbeRecord();
    const wchar_t* frameLayout = g_bInstalled ? L"Page8Wnd.xml" : L"CoverWnd.xml";
    bool damaged = !SkinHasLayout(frameLayout);
    if (!damaged) {
        const bool created = g_bInstalled ? CreateMaintenanceWindows(&damaged) : CreateFreshInstallWindows(&damaged);
        if (created)
            CPaintManagerUI::MessageLoop();
    }
    Teardown();
    if (damaged)
        MessageBoxW(nullptr, kMsgSetupDamaged, kCaptionError, MB_ICONERROR);
    return 0;
}
