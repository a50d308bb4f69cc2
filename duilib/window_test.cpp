// CWindowWnd and the process-wide calls: the class is registered under the
// window's class name, WM_CREATE reaches HandleMessage with the handle set
// before Create returns, CenterWindow, Close posts WM_CLOSE and
// OnFinalMessage follows the destruction, and MessageLoop dispatches until
// WM_QUIT and returns its code; the instance path is the program's folder.
#include "dui_test_support.h"

#include <gtest/gtest.h>

namespace {

class Probe : public CWindowWnd {
public:
    bool createdWithHandle = false;
    HWND finalHwnd = NULL;

protected:
    LPCTSTR GetWindowClassName() const override { return L"DuiProbeWnd"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override
    {
        createdWithHandle |= uMsg == WM_CREATE && m_hWnd != NULL;
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    void OnFinalMessage(HWND hWnd) override { finalHwnd = hWnd; }
};

} // namespace

TEST(WindowWnd, CreateRegistersTheClassDeliversCreateFirstAndTheLoopRunsUntilQuit)
{
    Probe p, q;
    HWND h = p.Create(NULL, L"probe", WS_POPUP, 0, 0, 0, 200, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(p.GetHWND(), h);
    EXPECT_TRUE(p.createdWithHandle);
    EXPECT_EQ(FindWindowW(L"DuiProbeWnd", L"probe"), h);
    EXPECT_EQ(GetClassLongW(h, GCL_STYLE) & CS_DBLCLKS, static_cast<DWORD>(CS_DBLCLKS));

    // Centred on the work area.
    p.CenterWindow();
    RECT rc, work;
    GetWindowRect(h, &rc);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 1);
    DestroyWindow(h);

    // A second window of the same class registers nothing new and works.
    // Close posts WM_CLOSE; MessageLoop dispatches it (the default processing
    // destroys the window, and OnFinalMessage runs with its handle) and then
    // returns the code of WM_QUIT.
    HWND second = q.Create(NULL, L"probe 2", WS_POPUP, 0, 0, 0, 100, 50);
    ASSERT_NE(second, nullptr);
    q.Close();
    EXPECT_TRUE(IsWindow(second));
    PostQuitMessage(7);
    EXPECT_EQ(CPaintManagerUI::MessageLoop(), 7);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(q.finalHwnd, second);
    EXPECT_EQ(q.GetHWND(), nullptr);
}

TEST(WindowWnd, InstancePathIsTheProgramFolder)
{
    CStdString path = CPaintManagerUI::GetInstancePath();
    EXPECT_EQ(_wcsicmp(path, (testing_support::ModuleDir() + L"\\").c_str()), 0) << path.GetData();
    CPaintManagerUI::SetResourcePath(path);
    EXPECT_EQ(CPaintManagerUI::GetResourcePath(), path.GetData());
    CPaintManagerUI::SetResourcePath(L"C:\\skins");
    EXPECT_EQ(CPaintManagerUI::GetResourcePath(), L"C:\\skins\\");
    CPaintManagerUI::SetResourcePath(L"");
    EXPECT_EQ(CPaintManagerUI::GetInstance(), GetModuleHandleW(NULL));
}
