// What the C++ runtime would throw, ended where it is raised, in the shipped
// programs and DLL. Our code catches no exception, so every exception the
// runtime raised (std::bad_alloc from operator new, std::length_error from a
// container) ran into std::terminate and so into std::abort() (see
// terminate_handler.cpp). Here the runtime's raising functions and the
// allocating operator new call std::abort() at once: the same end, without
// the runtime's exception classes, their strings and the unwinder (about
// 100 KB of every shipped PE). The non-throwing operator new still gives
// nullptr when memory runs out. Linked into every shipped program and DLL
// (velt_shipped in cmake/velt.cmake), never into the tests.
#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_cast() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_bad_exception() { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }

}  // namespace std

// No new-handler is ever installed, so running out of memory ended in
// std::bad_alloc, uncaught.
void* operator new(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        std::abort();
    return p;
}

void* operator new[](std::size_t size) { return operator new(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
