# The Debian package: `cpack -G DEB` in the build folder makes
# rzm530-tester_<version>_<arch>.deb with everything the install() rules put under /usr.
set(RZM_PACKAGE_MAINTAINER "RZM-530 Tester maintainers <rzm530-tester@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# The long description is the README's opening paragraph with its list, so the two never drift.
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
# A list item may go on over indented lines.
string(REGEX MATCH "\n\n([^\n]+\n)+\n(- [^\n]+\n(  [^\n]+\n)*)+" opening "${readme}")
if(NOT opening)
    message(FATAL_ERROR "README.md: no opening paragraph with a list for the package description")
endif()
string(STRIP "${opening}" opening)
string(REPLACE "**" "" opening "${opening}")
# A leading space keeps each list item on its own line in the package managers, and an item's
# further lines under its first one's text; the final newline keeps CPack from stripping that
# space off the last one.
string(REPLACE "\n  " "\n   " opening "${opening}")
string(REPLACE "\n- " "\n - " opening "${opening}\n")

set(CPACK_GENERATOR DEB)
# Written into CPackConfig.cmake as they are: the description quotes the program ("OK 24 ms").
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME rzm530-tester)
set(CPACK_PACKAGE_VERSION ${RZM_VERSION_STRING})
set(CPACK_PACKAGE_CONTACT "${RZM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tester for the RZM-530 Modbus RTU I/O module")
set(CPACK_PACKAGE_DESCRIPTION "${opening}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt SQL loads its database drivers as plugins at run time, where dpkg-shlibdeps cannot see
# them: the history needs both.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
# Packed relative relocations (cmake/Footprint.cmake) need glibc 2.36's loader; dpkg-shlibdeps
# asks only for the functions' versions.
if(RZM_LINKER_PACKS_RELOCS)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libc6 (>= 2.36)")
endif()

# CPACK_STRIP_FILES strips the programs and the modules of their symbols; the .comment section, the compilers'
# names, goes too, as dh_strip does it for Debian's own packages. Install rules run in the order
# they were made, so this one follows the programs'.
install(CODE "set(rzm_objcopy \"${CMAKE_OBJCOPY}\")\nset(rzm_bindir ${CMAKE_INSTALL_BINDIR})
set(rzm_modules ${RZM_MODULE_INSTALL_DIR}/$<TARGET_FILE_NAME:rzm530-tcp>
                ${RZM_MODULE_INSTALL_DIR}/$<TARGET_FILE_NAME:rzm530-tools>)")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program ${rzm_bindir}/rzm530-tester ${rzm_bindir}/rzm530-cli
                        ${rzm_bindir}/rzm530-sim ${rzm_modules})
            set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}")
            if(EXISTS "${file}")
                execute_process(COMMAND "${rzm_objcopy}" --remove-section=.comment "${file}"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endforeach()
    endif()
]])

include(CPack)
