// The guards of function-local statics (__cxa_guard_acquire, _release,
// _abort) in the shipped programs and DLL, in place of the C++ runtime's,
// which would bring its exception runtime, unwinder and thread library along
// (about 70 KB of every shipped PE) for the one error it reports: a static
// whose initialisation starts itself again, which ended in std::terminate and
// so in std::abort() (terminate_handler.cpp), as it does here.
// Contract, as the runtime's: the guard's first byte, once set, says the
// static is initialised (the compiler reads it before calling in); one thread
// initialises, the others wait for it; an initialisation that ends by an
// exception (none in our code) lets the next caller try again. Byte 1 marks an
// initialisation in progress, bytes 4 to 7 the thread doing it. One spin lock
// guards these bytes, never held while a static is being initialised.
// Linked into every shipped program and DLL (velt_shipped in cmake/velt.cmake).
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

volatile LONG g_lock = 0;

// Held for a few instructions only; Sleep(1), not Sleep(0), lets a holder of
// lower priority run.
void Lock()
{
    while (InterlockedExchange(&g_lock, 1) != 0)
        Sleep(1);
}

void Unlock() { InterlockedExchange(&g_lock, 0); }

struct GuardBytes {
    volatile char done;
    volatile char running;
    char unused[2];
    volatile DWORD thread;
};

GuardBytes* Bytes(long long* guard) { return reinterpret_cast<GuardBytes*>(guard); }

}  // namespace

extern "C" int __cxa_guard_acquire(long long* guard)
{
    GuardBytes* g = Bytes(guard);
    const DWORD me = GetCurrentThreadId();
    for (;;) {
        Lock();
        if (g->done) {
            Unlock();
            return 0;
        }
        if (!g->running) {
            g->running = 1;
            g->thread = me;
            Unlock();
            return 1;
        }
        const bool again = g->thread == me;  // the initialisation started itself again
        Unlock();
        if (again)
            std::abort();
        Sleep(1);
    }
}

extern "C" void __cxa_guard_release(long long* guard)
{
    Lock();
    Bytes(guard)->running = 0;
    Bytes(guard)->done = 1;
    Unlock();
}

extern "C" void __cxa_guard_abort(long long* guard)
{
    Lock();
    Bytes(guard)->running = 0;
    Unlock();
}
