# Link options that shrink what the programs hold in memory after start, each kept only for a
# saving measured with bench/measure.sh --memory (docs/measurements.md, "Footprint").
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
