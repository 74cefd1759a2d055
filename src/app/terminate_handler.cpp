// What ends the stub when an exception finds no handler (std::terminate). The runtime's
// default handler writes the exception's type and text to the standard error stream,
// which a GUI program does not have, and links the C++ name demangler (some 45 KB) for
// it. The stub's link redirects that default here (-Wl,--wrap, see src/CMakeLists.txt):
// the process ends as the default would end it, through abort().
#include <cstdlib>

extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() { std::abort(); }
