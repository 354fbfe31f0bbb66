# Build and link options that shrink what the programs hold in memory after start, each kept
# only for a saving measured with bench/measure.sh --memory (docs/measurements.md, "Footprint").
# The Qt glue the window program starts with (its window, the line's owner, the port, the command
# line) compiled for size rather than speed: it runs a few times a second at most, and the whole
# program file is held in memory after start. The plain C++ layers keep the build type's
# optimisation, for the line's and the history's speed that bench/ measures.
function(rzm_compile_for_size target)
    if(NOT MSVC AND NOT RZM_SANITIZE AND NOT RZM_FUZZ)
        target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Os>)
    endif()
endfunction()

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

# Relative relocations packed into a bitmap (DT_RELR; binutils 2.38, glibc 2.36): the loader
# reads a table of a few KiB at start instead of 25 KiB more of the program file.
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:-z,pack-relative-relocs" RZM_LINKER_PACKS_RELOCS)
if(RZM_LINKER_PACKS_RELOCS)
    add_link_options(LINKER:-z,pack-relative-relocs)
endif()

