#include "session_watch.h"

#include "session_end.h"

namespace {

const wchar_t kClassName[] = L"VeltSessionWatch";

} // namespace

SessionWatch::SessionWatch(const wchar_t* reason)
    : m_reason(reason), m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (m_done && m_ready)
        m_thread = CreateThread(nullptr, 0, &SessionWatch::Thread, this, 0, nullptr);
    if (m_thread)
        WaitForSingleObject(m_ready, INFINITE);
}

SessionWatch::~SessionWatch()
{
    Done();
    if (m_thread) {
        if (m_window)
            PostMessageW(m_window, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_ready)
        CloseHandle(m_ready);
    if (m_done)
        CloseHandle(m_done);
}

DWORD WINAPI SessionWatch::Thread(void* param)
{
    auto* self = static_cast<SessionWatch*>(param);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &SessionWatch::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    // Never shown: no WS_VISIBLE, and nothing calls ShowWindow.
    self->m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     windowClass.hInstance, self);
    SessionBlockReason reason;
    if (self->m_window)
        reason.Set(self->m_window, self->m_reason);
    SetEvent(self->m_ready);
    if (!self->m_window)
        return 0;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

LRESULT CALLBACK SessionWatch::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<SessionWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_QUERYENDSESSION:
        return WaitForSingleObject(self->m_done, 0) == WAIT_OBJECT_0;
    case WM_ENDSESSION:
        if (wParam) {
            InterlockedExchange(&self->m_ended, 1);
            WaitForSingleObject(self->m_done, kSessionEndLimitMs);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
