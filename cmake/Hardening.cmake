# The hardening Debian builds its own programs with (dpkg-buildflags): checked string and memory
# functions, a stack protector, and a relocation table made read-only once the loader is done.
# Linux only, where the package is made. Not under the sanitizers: _FORTIFY_SOURCE's checked
# functions would stand between AddressSanitizer and the buffers it watches.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR RZM_SANITIZE OR RZM_FUZZ)
    return()
endif()

# _FORTIFY_SOURCE needs the optimiser, and glibc warns when it is asked for without one: only
# the build types that optimise get it, not Debug nor a build with no type at all.
add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro,-z,now)
# Position-independent code is asked for by the top-level list; programs are linked as PIE.
include(CheckPIESupported)
check_pie_supported()
