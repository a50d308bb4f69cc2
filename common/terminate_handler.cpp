// The C++ runtime's default std::terminate handler in the shipped programs and
// DLL: it ends the process with std::abort(), as the runtime's own default
// handler does after writing the demangled name of the uncaught exception to
// stderr. The shipped programs are windowed programs without a console, so that
// text reached nobody; defining the handler here keeps the runtime's one, and
// the name demangler it carries (about 50 KB of code and tables), out of every
// shipped PE. Linked into every shipped program and DLL (see velt_shipped in
// cmake/velt.cmake); std::set_terminate still replaces it as usual.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx
