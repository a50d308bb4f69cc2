// Setup's repair progress page (CPage12Wnd, "Page12Wnd.xml") with the repair
// worker that runs on it, and the repair completion page (CPage13Wnd,
// "Page13Wnd.xml"). They are the shared progress and completion pages
// (maintenance_pages.h) with their own layouts.
//
// CPage12Wnd::DoRepair runs the repair (repair_worker.h) with this page's bar
// and error boxes, then shows Page13 and hides this page. After a message
// that ends the repair (no usable installation, a damaged payload, a file
// that cannot be written, no Run key) it hides the page and ends Setup; what
// was already rewritten stays. Once the loop has ended (a quit during the
// repair), it finishes the work it has begun and shows no further page.
#pragma once

#include "install_worker.h"
#include "maintenance_pages.h"

class CDialogBuilderCallbackPage12Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CDialogBuilderCallbackPage13Wnd : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
};

class CPage12Wnd : public CProgressPage {
public:
    // The repair; runs on the worker thread.
    void DoRepair();
    bool StartRepair();

protected:
    LPCTSTR LayoutName() const override { return L"Page12Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }

private:
    class Hooks : public InstallHooks {
    public:
        explicit Hooks(CPage12Wnd& page) : m_page(page) {}
        int BarMaxWidth() override { return m_page.m_pProgressBar ? m_page.BarMaxWidth() : -1; }
        void SetBarWidth(int width) override { m_page.SetBarWidth(width); }
        bool Checkpoint() override { return false; }
        void ShowError(const std::wstring& text) override;

    private:
        CPage12Wnd& m_page;
    };

    CDialogBuilderCallbackPage12Wnd m_callback;
};

class CPage13Wnd : public CDonePage {
protected:
    LPCTSTR LayoutName() const override { return L"Page13Wnd.xml"; }
    IDialogBuilderCallback* BuilderCallback() override { return &m_callback; }

private:
    CDialogBuilderCallbackPage13Wnd m_callback;
};

DWORD WINAPI RepairThreadProc(LPVOID param);
