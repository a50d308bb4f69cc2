#include "session_end.h"

namespace {

using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
using DestroyFn = BOOL(WINAPI*)(HWND);

template <typename Fn>
Fn User32(const char* name)
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

} // namespace

void SessionBlockReason::Set(HWND frame, const wchar_t* reason)
{
    Clear();
    if (!frame)
        return;
    m_frame = frame;
    if (const auto create = User32<CreateFn>("ShutdownBlockReasonCreate"))
        create(frame, reason);
}

void SessionBlockReason::Clear()
{
    if (!m_frame)
        return;
    if (const auto destroy = User32<DestroyFn>("ShutdownBlockReasonDestroy"))
        destroy(m_frame);
    m_frame = nullptr;
}
